// An item of the host's attachment array (CPtrArray of CAttachmentItem*).
//
// The module reads an item's path from its first data field and deletes items
// through the virtual destructor when the send options dialog rebuilds the
// array, putting in items of this class. Hosts make their items of this class
// or of a class derived from it; the other three texts are the host's to use.
#pragma once

#include "public/framework/CString.h"
#include "public/framework/Object.h"
#include "public/Email32Api.h"

class EMAIL32_API CAttachmentItem : public CObject {
public:
    CAttachmentItem() = default;
    explicit CAttachmentItem(const CString& path) : m_strPath(path) {}
    ~CAttachmentItem() override;

    CString m_strPath;  // the attachment's full path
    CString m_strField2;
    CString m_strField3;
    CString m_strField4;
};
