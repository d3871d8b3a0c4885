#include "sendui/SendOptionsDlg.h"

#include "framework/ResourceModules.h"
#include "framework/WaitCursor.h"
#include "base/Win32Handles.h"
#include "public/AttachmentItem.h"
#include "sendui/AttachmentPaths.h"
#include "sendui/AttachmentPreparation.h"
#include "sendui/ResourceIds.h"
#include "base/Text.h"

namespace {

CString LoadText(unsigned int id) {
    CString text;
    text.LoadString(id);
    return text;
}

// Texts the user reads go to the window as they are stored, whatever the
// ANSI code page can hold.
std::wstring LoadWideText(unsigned int id) {
    std::wstring text;
    (void)email32::framework::LoadResourceText(id, text);
    return text;
}

const char* const kWidths[] = {"160", "240", "320", "480", "640", "800", "1024", "1280", "1600"};

}  // namespace

CSendOptionsDlg::CSendOptionsDlg(CWnd* parent, email32::sendui::SystemChoice& systems)
    : CDialog(IDD_SEND_OPTIONS, parent), m_choice(systems) {
    m_imageList.Create(16, 16, ILC_MASK | ILC_COLOR32, 0, 1);
    m_installed = m_choice.Installed();
}

BOOL CSendOptionsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pSystems = GetDlgItemAs<CListCtrl>(IDC_SYSTEM_LIST);
    m_strLastResolution.Empty();
    m_strLastFormat.Empty();

    m_pFormat = GetDlgItemAs<CComboBox>(IDC_FORMAT_COMBO);
    m_pFormat->AddString(LoadWideText(IDS_ORIGINAL_FILE).c_str());
    m_pFormat->AddString(LoadWideText(IDS_JPG).c_str());
    m_pFormat->SetCurSel(0);

    m_pResolution = GetDlgItemAs<CComboBox>(IDC_RESOLUTION_COMBO);
    m_pResolution->AddString(LoadWideText(IDS_ORIGINAL_FILE).c_str());
    for (const char* width : kWidths) m_pResolution->AddString(width);
    m_pResolution->SetCurSel(0);

    m_pSizeText = GetDlgItem(IDC_SIZE_TEXT);
    m_listCurrent.RemoveAll();
    m_listSource.RemoveAll();

    const int count = m_pItems ? m_pItems->GetSize() : 0;
    for (int i = 0; i < count; ++i) {
        auto* item = static_cast<CAttachmentItem*>(m_pItems->GetAt(i));
        if (item) m_listSource.AddTail(item->m_strPath);
    }
    // Photos among the attachments bring the photo option's check box, as
    // the user last left it.
    ExamineAttachments();
    m_photos = email32::sendui::ReadPhotoOptions(m_choice.InstalledListPath());
    m_storedShrinkPhotos = m_photos.shrinkPhotos;
    m_pShrinkPhotos = GetDlgItem(IDC_SHRINK_PHOTOS);
    bool photos = false;
    for (const AttachmentFacts& facts : m_facts) photos = photos || (facts.exif && facts.shrinkable);
    ::ShowWindow(m_pShrinkPhotos->GetSafeHwnd(), photos ? SW_SHOW : SW_HIDE);
    ::SendMessageW(m_pShrinkPhotos->GetSafeHwnd(), BM_SETCHECK, m_photos.shrinkPhotos ? BST_CHECKED : BST_UNCHECKED, 0);
    (void)ApplyChoices();

    m_pSizeText->SetWindowText(EstimateSize(m_listSource));
    ListTitlesInOneColumn();
    FillSystemList();
    FitListToTitles();
    return TRUE;
}

void CSendOptionsDlg::FillSystemList() {
    // Every system gets an image, its own icon or the generic program icon,
    // so that item i always shows image i.
    const int n = static_cast<int>(m_installed.size());
    std::vector<int> images;
    for (int i = 0; i < n; ++i) {
        const HICON icon = m_choice.Icon(m_installed[static_cast<size_t>(i)]);
        const email32::base::AutoIcon owned(icon);
        images.push_back(m_imageList.Add(icon ? icon : ::LoadIcon(nullptr, IDI_APPLICATION)));
    }
    m_pSystems->SetImageList(&m_imageList, LVSIL_SMALL);

    const std::string defaultKey = m_choice.Default();
    for (int i = 0; i < n; ++i) {
        const std::string& key = m_installed.at(static_cast<size_t>(i));
        const std::string title = m_choice.Title(key);
        const int image = images[static_cast<size_t>(i)];
        m_pSystems->InsertItem(i, title.c_str(), image >= 0 ? image : I_IMAGENONE);
        if (key == defaultKey) m_pSystems->SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    }
}

bool CSendOptionsDlg::OnCommand(int id, int code) {
    if (id == IDC_SHRINK_PHOTOS && code == BN_CLICKED) {
        OnShrinkPhotosClicked();
        return true;
    }
    if (code != CBN_SELENDOK) return false;
    if (id == IDC_FORMAT_COMBO) {
        OnFormatSelEndOk();
        return true;
    }
    if (id == IDC_RESOLUTION_COMBO) {
        OnResolutionSelEndOk();
        return true;
    }
    return false;
}

CString CSendOptionsDlg::SelectedText(CComboBox* box) const {
    CString text;
    if (box) box->GetLBText(box->GetCurSel(), text);
    return text;
}

void CSendOptionsDlg::OnFormatSelEndOk() {
    const CString text = SelectedText(m_pFormat);
    if (text.CompareNoCase(m_strLastFormat) == 0) return;
    m_strLastFormat = text;
    PrepareAttachments();
}

void CSendOptionsDlg::OnResolutionSelEndOk() {
    const CString text = SelectedText(m_pResolution);
    if (text.CompareNoCase(m_strLastResolution) == 0) return;
    m_strLastResolution = text;
    PrepareAttachments();
}

void CSendOptionsDlg::GetAppDataFolder() { email32::sendui::GetAppDataFolder(m_szAppData); }

CString CSendOptionsDlg::EstimateSize(const CStringList& files) const { return email32::sendui::EstimateSize(files); }

void CSendOptionsDlg::PrepareAttachments() {
    const CWaitCursor wait;
    GetAppDataFolder();
    const CString format = SelectedText(m_pFormat);
    const CString resolution = SelectedText(m_pResolution);
    const HWND window = m_hWnd;
    email32::sendui::AttachmentPreparation preparation(
        email32::sendui::PreparationFolder(m_szAppData), [window](const CString& text) {
            ::MessageBoxW(window, email32::base::Widen(static_cast<const char*>(text)).c_str(),
                          LoadWideText(IDS_APP_TITLE).c_str(), MB_OK | MB_ICONEXCLAMATION);
        });
    preparation.SetPhotoOptions(m_photos);
    const bool prepared = preparation.Run(format, resolution, m_listSource, m_listCurrent);
    m_pSizeText->SetWindowText(EstimateSize(prepared ? m_listCurrent : m_listSource));
}

void CSendOptionsDlg::ClearAttachmentArray() {
    for (int i = 0; i < m_pItems->GetSize(); ++i) {
        delete static_cast<CAttachmentItem*>(m_pItems->GetAt(i));
    }
    m_pItems->SetSize(0);
}

void CSendOptionsDlg::OnOK() {
    const int items = m_pSystems->GetItemCount();
    for (int i = 0; i < items; ++i) {
        if (m_pSystems->GetItemState(i, LVIS_SELECTED) & LVIS_SELECTED) {
            m_choice.SetDefault(m_installed.at(static_cast<size_t>(i)));
            break;
        }
    }

    // The photo option is the user's from now on, when they could see it.
    if (::IsWindowVisible(m_pShrinkPhotos->GetSafeHwnd()) && m_photos.shrinkPhotos != m_storedShrinkPhotos) {
        (void)email32::sendui::StoreShrinkPhotos(m_choice.InstalledListPath(), m_photos.shrinkPhotos);
    }

    const CString original = LoadText(IDS_ORIGINAL_FILE);
    const CString format = SelectedText(m_pFormat);
    const CString resolution = SelectedText(m_pResolution);
    if (m_pItems && (format.CompareNoCase(original) != 0 || resolution.CompareNoCase(original) != 0)) {
        // A choice made without its notification has not been prepared yet;
        // the array must never be rebuilt from a list of other choices.
        if (format.CompareNoCase(m_strLastFormat) != 0 || resolution.CompareNoCase(m_strLastResolution) != 0) {
            m_strLastFormat = format;
            m_strLastResolution = resolution;
            PrepareAttachments();
        }
        ClearAttachmentArray();
        for (const CString& path : m_listCurrent.Items()) m_pItems->Add(new CAttachmentItem(path));
    }
    CDialog::OnOK();
}
