// The send options dialog: the user confirms the e-mail system and may shrink
// the image attachments, seeing the size of what would be sent.
#pragma once

#include "public/framework/Collections.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

#include <string>
#include <vector>

class EmailComponent;

class CSendOptionsDlg : public CDialog {
public:
    CSendOptionsDlg(CWnd* parent, EmailComponent* component);

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
    void OnFormatSelEndOk();
    void OnResolutionSelEndOk();
    BOOL CheckConvertible(const CString& path);
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
    EmailComponent* m_pComponent;
    CListCtrl* m_pSystems = nullptr;
    CImageList m_imageList;
    std::vector<std::string> m_installed;
    char m_szAppData[MAX_PATH] = {};
    int m_bJpegOnly = 0;
    int m_bExif = 0;
    int m_bAllExif = 1;
    CPtrArray* m_pItems = nullptr;
};
