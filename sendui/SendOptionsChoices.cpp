// Which shrinking choices the send options dialog offers, and the photo
// option's check box that changes them.
#include "sendui/SendOptionsDlg.h"

#include "public/AttachmentItem.h"
#include "sendui/AttachmentPaths.h"
#include "sendui/PictureAccess.h"
#include "sendui/ResourceIds.h"

void CSendOptionsDlg::ExamineAttachments() {
    m_facts.clear();
    const int count = m_pItems ? m_pItems->GetSize() : 0;
    email32::sendui::PictureAccess pictures;
    for (int i = 0; i < count; ++i) {
        auto* item = static_cast<CAttachmentItem*>(m_pItems->GetAt(i));
        if (!item) continue;
        const CString& path = item->m_strPath;
        CString ext;
        GetExtension(path, ext);
        AttachmentFacts facts;
        using Kind = AttachmentFacts::Kind;
        if (ext.CompareNoCase("gif") == 0) {
            facts.kind = Kind::Gif;
            facts.animated = pictures.IsAnimated(path);
        } else if (email32::sendui::ExtensionIn(ext, {"jpg", "jpeg", "jpe"})) {
            facts.kind = Kind::Jpeg;
            facts.exif = email32::sendui::PictureAccess::HasExif(path);
            facts.shrinkable = ext.CompareNoCase("jpe") != 0;
        } else if (email32::sendui::ExtensionIn(ext, {"tif", "tiff"})) {
            facts.kind = Kind::Tiff;
            facts.exif = email32::sendui::PictureAccess::HasExif(path);
        } else if (email32::sendui::ExtensionIn(ext, {"bmp", "fpx", "pcx", "tga", "png"})) {
            facts.kind = Kind::Picture;
        } else if (email32::sendui::IsPhoneOrWebPicture(ext)) {
            facts.kind = Kind::PhoneOrWeb;
            facts.readable = email32::sendui::PictureAccess::CanRead(path);
        }
        m_facts.push_back(facts);
    }
}

BOOL CSendOptionsDlg::CheckConvertible(const AttachmentFacts& facts) {
    using Kind = AttachmentFacts::Kind;
    switch (facts.kind) {
    case Kind::Gif: return facts.animated ? FALSE : TRUE;
    case Kind::Jpeg:
        m_bJpegOnly = 1;
        if (m_bAllExif) {
            // A photo the user has shrunk too counts as a JPEG file without
            // Exif data.
            if (facts.exif && !(facts.shrinkable && m_photos.shrinkPhotos)) {
                m_bExif = 1;
            } else {
                m_bExif = 0;
                m_bAllExif = 0;
            }
        }
        return TRUE;
    case Kind::Tiff:
        if (facts.exif) {
            m_bExif = 1;
            return FALSE;
        }
        m_bExif = 0;
        m_bAllExif = 0;
        return TRUE;
    case Kind::Picture: return TRUE;
    case Kind::PhoneOrWeb: return facts.readable ? TRUE : FALSE;
    default: return FALSE;
    }
}

bool CSendOptionsDlg::ApplyChoices() {
    // The first convertible attachment decides whether everything is a JPEG
    // file already; each later one can only clear that.
    m_bJpegOnly = 0;
    m_bExif = 0;
    m_bAllExif = 1;
    int anyConvertible = 0;
    int firstPending = 1;
    for (const AttachmentFacts& facts : m_facts) {
        if (firstPending) {
            if (CheckConvertible(facts)) {
                anyConvertible = 1;
                firstPending = 0;
            }
        } else if (m_bJpegOnly) {
            const int exif = m_bExif;
            m_bJpegOnly = 0;
            if (!CheckConvertible(facts)) {
                m_bJpegOnly = 1;
                m_bExif = exif;
            }
        }
    }
    bool format = true, resolution = true;
    if (m_facts.empty() || !anyConvertible) {
        format = resolution = false;
    } else if (m_bJpegOnly) {
        format = false;
        m_bJpegOnly = 0;
        if (m_bExif) {
            resolution = false;
            m_bExif = 0;
        }
    }
    m_pFormat->EnableWindow(format ? TRUE : FALSE);
    m_pResolution->EnableWindow(resolution ? TRUE : FALSE);
    // A choice that is withdrawn goes back to the original file.
    if (!format) m_pFormat->SetCurSel(0);
    if (!resolution) m_pResolution->SetCurSel(0);
    return anyConvertible != 0;
}

void CSendOptionsDlg::OnShrinkPhotosClicked() {
    m_photos.shrinkPhotos = ::SendMessageW(m_pShrinkPhotos->GetSafeHwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    (void)ApplyChoices();
    // The size follows at once.
    m_strLastFormat = SelectedText(m_pFormat);
    m_strLastResolution = SelectedText(m_pResolution);
    PrepareAttachments();
}
