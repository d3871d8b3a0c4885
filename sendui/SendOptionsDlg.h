// The send options dialog: the user confirms the e-mail system and may shrink
// the image attachments, seeing the size of what would be sent.
#pragma once

#include "public/framework/Collections.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "sendui/PhotoOptions.h"
#include "sendui/SystemChoice.h"

#include <string>
#include <vector>

class CSendOptionsDlg : public CDialog {
public:
    CSendOptionsDlg(CWnd* parent, email32::sendui::SystemChoice& systems);

    // The host's attachment array, rebuilt on OK when a shrinking was chosen.
    void SetItemArray(CPtrArray* items) noexcept { m_pItems = items; }

    void PrepareAttachments();
    [[nodiscard]] CString EstimateSize(const CStringList& files) const;
    void GetAppDataFolder();

protected:
    void DoDataExchange(void* exchange) override { (void)exchange; }
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override { CDialog::OnCancel(); }
    bool OnCommand(int id, int code) override;

private:
    // What decides whether an attachment can be shrunk, read once.
    struct AttachmentFacts {
        enum class Kind { Other, Gif, Jpeg, Tiff, Picture, PhoneOrWeb } kind = Kind::Other;
        bool animated = false;    // a GIF file of several frames, or too damaged to tell
        bool exif = false;        // a JPEG or TIFF file with Exif data
        bool shrinkable = false;  // a JPEG photo ("jpg", "jpeg") the photo option can shrink
        bool readable = false;    // a phone or web picture whose decoder reads it
    };

    void OnFormatSelEndOk();
    void OnResolutionSelEndOk();
    void OnShrinkPhotosClicked();
    void ExamineAttachments();
    // Which choices the attachments allow, under the photo option as it
    // stands; returns whether any attachment is convertible.
    bool ApplyChoices();
    BOOL CheckConvertible(const AttachmentFacts& facts);
    void ClearAttachmentArray();
    void FillSystemList();
    void ListTitlesInOneColumn();
    void FitListToTitles();
    [[nodiscard]] CString SelectedText(CComboBox* box) const;

    CString m_strLastResolution;
    CString m_strLastFormat;
    CComboBox* m_pFormat = nullptr;
    CComboBox* m_pResolution = nullptr;
    CWnd* m_pSizeText = nullptr;
    CStringList m_listCurrent{10};
    CStringList m_listSource{10};
    email32::sendui::SystemChoice& m_choice;
    CListCtrl* m_pSystems = nullptr;
    CImageList m_imageList;
    std::vector<std::string> m_installed;
    char m_szAppData[MAX_PATH] = {};
    std::vector<AttachmentFacts> m_facts;
    CWnd* m_pShrinkPhotos = nullptr;
    email32::sendui::PhotoOptions m_photos;
    bool m_storedShrinkPhotos = false;
    int m_bJpegOnly = 0;
    int m_bExif = 0;
    int m_bAllExif = 1;
    CPtrArray* m_pItems = nullptr;
};
