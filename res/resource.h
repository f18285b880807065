// Resource ids shared by setup.rc and the C++ code.
#pragma once

#define IDI_APP_ICON                128
#define IDB_SYSTEM_BACK             133
#define IDB_OPTION_BACK             138

#define IDD_OPTION_PAGE             103
#define IDD_SYSTEM_PAGE             104

#define IDC_DEFAULT                 1050

// System page
#define IDC_COMBO_DEVICE            1027
#define IDC_COMBO_MODE              1028
#define IDC_CHK_FULLSCREEN          1029
#define IDC_SLIDER_SPRITE           1030
#define IDC_SLIDER_TEXTURE          1031
#define IDC_SLIDER_BGM              1032
#define IDC_SLIDER_EFFECT           1033
#define IDC_CHK_BGM_ON              1034
#define IDC_CHK_EFFECT_ON           1035
#define IDC_CHK_MOUSE_EXCLUSIVE     1036
#define IDC_CHK_NOSOUND             1037

// Option page
#define IDC_CMD_NOTRADE             1026
#define IDC_CMD_NOSHIFT             1035
#define IDC_CMD_NOCTRL              1044
#define IDC_CMD_SKILLFAIL           1027
#define IDC_CMD_NOTALKMSG           1036
#define IDC_CMD_NOTALKMSG2          1045
#define IDC_CMD_SHOWNAME            1028
#define IDC_CMD_FOG                 1018
#define IDC_CMD_AURA                1046
#define IDC_CMD_WINDOW              1029
#define IDC_CMD_MISS                1038
#define IDC_CMD_EFFECT              1047
#define IDC_CMD_SHOPPING            1031
#define IDC_CMD_STATEINFO           1040
#define IDC_CMD_LOGINOUT            1048
#define IDC_CMD_SNAP                1032
#define IDC_CMD_ITEMSNAP            1041
#define IDC_CMD_CAMERA              1049
#define IDC_CMD_HOAI                1033
#define IDC_CMD_MERAI               1042
#define IDC_CMD_LIGHTMAP            1013
