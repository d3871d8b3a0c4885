#include "public/AttachmentItem.h"

// Out of line, so that the class's virtual table lives in the module.
CAttachmentItem::~CAttachmentItem() = default;
