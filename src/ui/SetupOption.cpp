#include "ui/SetupOption.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "display/DeviceTable.h"
#include "resource.h"
#include "script/LuaHost.h"
#include "settings/Registry.h"
#include "settings/SaveData.h"
#include "settings/SettingNames.h"

namespace {

constexpr int kDetailMax = 2;
constexpr int kVolumeMax = 127;

// DoDataExchange binds the controls in member order.
template <auto Member>
CWnd& ControlOf(CSetupOption& page)
{
    return page.*Member;
}

struct ControlBinding {
    int controlId;
    CWnd& (*control)(CSetupOption&);
};

constexpr ControlBinding kControls[] = {
    {IDC_CHK_EFFECT_ON, &ControlOf<&CSetupOption::m_chkEffectOn>},
    {IDC_CHK_BGM_ON, &ControlOf<&CSetupOption::m_chkBgmOn>},
    {IDC_SLIDER_EFFECT, &ControlOf<&CSetupOption::m_sliderEffect>},
    {IDC_SLIDER_BGM, &ControlOf<&CSetupOption::m_sliderBgm>},
    {IDC_SLIDER_TEXTURE, &ControlOf<&CSetupOption::m_sliderTexture>},
    {IDC_SLIDER_SPRITE, &ControlOf<&CSetupOption::m_sliderSprite>},
    {IDC_CHK_FULLSCREEN, &ControlOf<&CSetupOption::m_chkFullScreen>},
    {IDC_COMBO_MODE, &ControlOf<&CSetupOption::m_comboMode>},
    {IDC_COMBO_DEVICE, &ControlOf<&CSetupOption::m_comboDevice>},
    {IDC_CHK_MOUSE_EXCLUSIVE, &ControlOf<&CSetupOption::m_chkMouseExclusive>},
    {IDC_CHK_NOSOUND, &ControlOf<&CSetupOption::m_chkNoSound>},
};

// The check boxes whose field is their check state.
struct CheckSetting {
    int controlId;
    CButton CSetupOption::*box;
    int32_t CRegistry::*field;
};

constexpr CheckSetting kChecks[] = {
    {IDC_CHK_FULLSCREEN, &CSetupOption::m_chkFullScreen, &CRegistry::fullScreen},
    {IDC_CHK_MOUSE_EXCLUSIVE, &CSetupOption::m_chkMouseExclusive, &CRegistry::mouseExclusive},
    {IDC_CHK_BGM_ON, &CSetupOption::m_chkBgmOn, &CRegistry::bgmOn},
    {IDC_CHK_EFFECT_ON, &CSetupOption::m_chkEffectOn, &CRegistry::soundOn},
};

// The sliders, each 0 to `maximum`; the field is the position itself.
struct SliderSetting {
    int controlId;
    CSliderCtrl CSetupOption::*slider;
    int32_t CRegistry::*field;
    int maximum;
};

constexpr SliderSetting kSliders[] = {
    {IDC_SLIDER_SPRITE, &CSetupOption::m_sliderSprite, &CRegistry::spriteMode, kDetailMax},
    {IDC_SLIDER_TEXTURE, &CSetupOption::m_sliderTexture, &CRegistry::textureMode, kDetailMax},
    {IDC_SLIDER_BGM, &CSetupOption::m_sliderBgm, &CRegistry::bgmVolume, kVolumeMax},
    {IDC_SLIDER_EFFECT, &CSetupOption::m_sliderEffect, &CRegistry::effectVolume, kVolumeMax},
};

// The usable devices (stored, with hardware rasterisation) in table order:
// line k of the device combo is entry k.
std::vector<const DeviceEntry*> UsableDevices()
{
    std::vector<const DeviceEntry*> devices;
    const DeviceEntry* table = GetDeviceTable();
    if (!table)
        return devices;
    uint32_t stored = GetStoredDeviceCount();
    if (stored > static_cast<uint32_t>(kDeviceTableSize))
        stored = kDeviceTableSize;
    for (uint32_t i = 0; i < stored; ++i) {
        if (table[i].hardware)
            devices.push_back(&table[i]);
    }
    return devices;
}

// A device name as a C string, even when the table filled all 40 bytes.
std::string NameOf(const DeviceEntry& device)
{
    return std::string(device.name, strnlen(device.name, sizeof(device.name)));
}

// In registration order; the keys are settingNames 40 to 50.
constexpr ToolTipEntry kToolTips[] = {
    {IDC_COMBO_DEVICE, kNameFirstSystemTip + 0},
    {IDC_COMBO_MODE, kNameFirstSystemTip + 1},
    {IDC_CHK_FULLSCREEN, kNameFirstSystemTip + 2},
    {IDC_CHK_MOUSE_EXCLUSIVE, kNameFirstSystemTip + 3},
    {IDC_SLIDER_SPRITE, kNameFirstSystemTip + 4},
    {IDC_SLIDER_TEXTURE, kNameFirstSystemTip + 5},
    {IDC_SLIDER_BGM, kNameFirstSystemTip + 6},
    {IDC_SLIDER_EFFECT, kNameFirstSystemTip + 7},
    {IDC_CHK_BGM_ON, kNameFirstSystemTip + 8},
    {IDC_CHK_EFFECT_ON, kNameFirstSystemTip + 9},
    {IDC_CHK_NOSOUND, kNameFirstSystemTip + 10},
};

constexpr PageSkinStyle kSystemSkin = {IDB_SYSTEM_BACK, 0, true, kToolTips, static_cast<int>(std::size(kToolTips))};

void EnsureSaveDataFolder()
{
    const std::string folder(kOptionFolder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        CreateDirectoryA(folder.c_str(), nullptr);
    else
        FindClose(search);
}

}  // namespace

bool saveConfirmed = false;

const CRuntimeClass CSetupOption::runtimeClass = {"CSetupOption", &AfxCreateObject<CSetupOption>,
                                                  &CPropertyPage::runtimeClass};

const AFX_MSGMAP_ENTRY CSetupOption::messageEntries[] = {
    OnCommandEntry<&CSetupOption::OnFullScreenClicked>(BN_CLICKED, IDC_CHK_FULLSCREEN),
    OnNotifyEntry<&CSetupOption::OnSpriteReleased>(NM_RELEASEDCAPTURE, IDC_SLIDER_SPRITE),
    OnNotifyEntry<&CSetupOption::OnTextureReleased>(NM_RELEASEDCAPTURE, IDC_SLIDER_TEXTURE),
    OnNotifyEntry<&CSetupOption::OnBgmVolumeReleased>(NM_RELEASEDCAPTURE, IDC_SLIDER_BGM),
    OnNotifyEntry<&CSetupOption::OnEffectVolumeReleased>(NM_RELEASEDCAPTURE, IDC_SLIDER_EFFECT),
    OnCommandEntry<&CSetupOption::OnBgmOnClicked>(BN_CLICKED, IDC_CHK_BGM_ON),
    OnCommandEntry<&CSetupOption::OnEffectOnClicked>(BN_CLICKED, IDC_CHK_EFFECT_ON),
    OnCommandEntry<&CSetupOption::OnModeSelChange>(CBN_SELCHANGE, IDC_COMBO_MODE),
    OnCommandEntry<&CSetupOption::OnDeviceSelChange>(CBN_SELCHANGE, IDC_COMBO_DEVICE),
    OnMessageEntry<&CSetupOption::OnPaint>(WM_PAINT),
    OnCtlColorEntry<&CSetupOption::OnCtlColor>(),
    OnCommandEntry<&CSetupOption::OnMouseExclusiveClicked>(BN_CLICKED, IDC_CHK_MOUSE_EXCLUSIVE),
    OnCommandEntry<&CSetupOption::OnNoSoundClicked>(BN_CLICKED, IDC_CHK_NOSOUND),
    // Keys, the wheel and Page Up/Down move a trackbar without a release of
    // the mouse: its WM_HSCROLL is the one message every move sends.
    OnHScrollEntry<&CSetupOption::OnSliderScroll>(IDC_SLIDER_SPRITE),
    OnHScrollEntry<&CSetupOption::OnSliderScroll>(IDC_SLIDER_TEXTURE),
    OnHScrollEntry<&CSetupOption::OnSliderScroll>(IDC_SLIDER_BGM),
    OnHScrollEntry<&CSetupOption::OnSliderScroll>(IDC_SLIDER_EFFECT),
};

const AFX_MSGMAP CSetupOption::messageMap = AfxMakeMessageMap(&CPropertyPage::messageMap, messageEntries);

CSetupOption::CSetupOption() : CPageSkin(IDD_SYSTEM_PAGE, kSystemSkin) {}

CSetupOption::~CSetupOption() = default;

const CRuntimeClass* CSetupOption::GetRuntimeClass() const
{
    return &runtimeClass;
}

const AFX_MSGMAP* CSetupOption::GetMessageMap() const
{
    return &messageMap;
}

void CSetupOption::DoDataExchange(CDataExchange* dx)
{
    CPageSkin::DoDataExchange(dx);
    for (const ControlBinding& binding : kControls)
        DDX_Control(dx, binding.controlId, binding.control(*this));
}

BOOL CSetupOption::OnInitDialog()
{
    return InitPage(*this, &CSetupOption::RefreshControls);
}

void CSetupOption::FillDeviceCombo()
{
    m_comboDevice.ResetContent();
    for (const DeviceEntry* device : UsableDevices())
        m_comboDevice.AddString(NameOf(*device).c_str());
    m_comboDevice.FitDroppedWidth();
    if (const CRegistry* record = CRegistry::Instance())
        m_comboDevice.SetCurSel(record->deviceIndex);
}

void CSetupOption::FillModeCombo()
{
    m_comboMode.ResetContent();
    CRegistry* record = CRegistry::Instance();
    if (!record)
        return;
    const std::vector<const DeviceEntry*> devices = UsableDevices();
    if (record->deviceIndex >= 0 && static_cast<size_t>(record->deviceIndex) < devices.size()) {
        const DeviceEntry& device = *devices[static_cast<size_t>(record->deviceIndex)];
        ChooseDevice(*record, device);
        // Line k shows modeList[k].
        const int lines = FillModeList(device);
        for (int k = 0; k < lines; ++k) {
            const ModeEntry& mode = modeList[k];
            char text[48];
            std::snprintf(text, sizeof(text), "%d x %d x %d", static_cast<int>(mode.width),
                          static_cast<int>(mode.height), static_cast<int>(mode.bitsPerPixel));
            if (m_comboMode.AddString(text) < 0)
                break;
        }
    }
    m_comboMode.SetCurSel(record->modeIndex);
}

void CSetupOption::RefreshControls()
{
    FillDeviceCombo();
    FillModeCombo();
    const CRegistry* record = CRegistry::Instance();
    if (!record)
        return;
    for (const CheckSetting& check : kChecks)
        (this->*check.box).SetCheck(record->*check.field);
    for (const SliderSetting& slider : kSliders) {
        (this->*slider.slider).SetRange(0, slider.maximum, TRUE);
        (this->*slider.slider).SetPos(record->*slider.field);
    }
    m_chkNoSound.SetCheck(record->soundMode == 0 ? BST_CHECKED : BST_UNCHECKED);
}

void CSetupOption::OnOK()
{
    const std::string question = CLuaHost::Instance().GetSetupMessage("ISOK");
    if (MessageBox(question.c_str(), "Setup", MB_OKCANCEL) == IDOK) {
        saveConfirmed = true;
        EnsureSaveDataFolder();
    } else {
        saveConfirmed = false;
    }
}

void CSetupOption::OnFullScreenClicked()
{
    StoreCheck(IDC_CHK_FULLSCREEN);
}

void CSetupOption::OnSpriteReleased(NMHDR* /*header*/, LRESULT* result)
{
    StoreSlider(IDC_SLIDER_SPRITE);
    *result = 0;
}

void CSetupOption::OnTextureReleased(NMHDR* /*header*/, LRESULT* result)
{
    StoreSlider(IDC_SLIDER_TEXTURE);
    *result = 0;
}

void CSetupOption::OnBgmVolumeReleased(NMHDR* /*header*/, LRESULT* result)
{
    StoreSlider(IDC_SLIDER_BGM);
    *result = 0;
}

void CSetupOption::OnEffectVolumeReleased(NMHDR* /*header*/, LRESULT* result)
{
    StoreSlider(IDC_SLIDER_EFFECT);
    *result = 0;
}

void CSetupOption::OnSliderScroll(UINT controlId)
{
    StoreSlider(static_cast<int>(controlId));
}

void CSetupOption::OnBgmOnClicked()
{
    StoreCheck(IDC_CHK_BGM_ON);
}

void CSetupOption::OnEffectOnClicked()
{
    StoreCheck(IDC_CHK_EFFECT_ON);
}

void CSetupOption::OnModeSelChange()
{
    CRegistry* record = CRegistry::Instance();
    const int line = m_comboMode.GetCurSel();
    // A notification without a selected line changes nothing: there is no
    // mode to copy.
    if (!record || line < 0 || line >= kModeListSize)
        return;
    record->modeIndex = line;
    record->bitsPerPixel = modeList[line].bitsPerPixel;
    record->width = modeList[line].width;
    record->height = modeList[line].height;
}

void CSetupOption::OnDeviceSelChange()
{
    CRegistry* record = CRegistry::Instance();
    const int line = m_comboDevice.GetCurSel();
    if (!record || line < 0)
        return;
    record->deviceIndex = line;
    FillModeCombo();
}

void CSetupOption::OnMouseExclusiveClicked()
{
    StoreCheck(IDC_CHK_MOUSE_EXCLUSIVE);
}

void CSetupOption::OnNoSoundClicked()
{
    if (CRegistry* record = CRegistry::Instance())
        record->soundMode = m_chkNoSound.GetCheck() == BST_CHECKED ? 0 : 1;
}

void CSetupOption::StoreCheck(int controlId)
{
    CRegistry* record = CRegistry::Instance();
    for (const CheckSetting& check : kChecks) {
        if (record && check.controlId == controlId)
            record->*check.field = (this->*check.box).GetCheck();
    }
}

void CSetupOption::StoreSlider(int controlId)
{
    CRegistry* record = CRegistry::Instance();
    for (const SliderSetting& slider : kSliders) {
        if (record && slider.controlId == controlId)
            record->*slider.field = (this->*slider.slider).GetPos();
    }
}
