// Resource identifiers of the plug-in's windows for a send: the compose
// window and the notice of a message that waits.
#pragma once

#define IDD_COMPOSE 400
#define IDC_COMPOSE_FROM_LABEL 401
#define IDC_COMPOSE_FROM 402
#define IDC_COMPOSE_ACCOUNT 403
#define IDC_COMPOSE_TO_LABEL 404
#define IDC_COMPOSE_TO 405
#define IDC_COMPOSE_CC_LABEL 406
#define IDC_COMPOSE_CC 407
#define IDC_COMPOSE_SUBJECT_LABEL 408
#define IDC_COMPOSE_SUBJECT 409
#define IDC_COMPOSE_TEXT 410
#define IDC_COMPOSE_FILES_LABEL 411
#define IDC_COMPOSE_FILES 412
#define IDC_COMPOSE_STATUS 413
#define IDC_COMPOSE_SUGGESTIONS 414

#define IDS_COMPOSE_FILES 450
#define IDS_COMPOSE_ONE_FILE 451
#define IDS_COMPOSE_NEED_RECIPIENT 452
#define IDS_COMPOSE_BAD_TO 453
#define IDS_COMPOSE_BAD_CC 454
#define IDS_COMPOSE_NAME_COLUMN 455
#define IDS_COMPOSE_SIZE_COLUMN 456

#define IDS_NOTICE_CAPTION 500
#define IDS_NOTICE_SETTINGS 501
#define IDS_NOTICE_LOGIN 502
#define IDS_NOTICE_SIGNIN 503
#define IDS_NOTICE_TRUST 504
#define IDS_NOTICE_TOO_LARGE 505
#define IDS_NOTICE_REFUSED 506
#define IDS_NOTICE_WAITS 507
#define IDS_NOTICE_FAILED 508
#define IDS_NOTICE_DETAILS 509
#define IDS_NOTICE_ACCOUNT 510
#define IDS_NOTICE_ACCOUNT_QUESTION 511

// The notice's button that opens the account dialog.
#define IDC_NOTICE_ACCOUNT 520

// The manifest that asks for version 6 of the common controls, whose task
// dialog the notice is; never used by the loader on its own.
#define IDR_COMMON_CONTROLS_MANIFEST 3
