// Resource ids of the settings dialog and its pages, the Koch copy dialog
// and the input box. Shared by the resource script and the dialog code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialogs.
#define IDD_VD_SETTINGS          104
#define IDD_VD_KOCHCOPY          135
#define IDD_VD_PAGE_GENERAL      137
#define IDD_VD_INPUTBOX          1065
#define IDD_VD_PAGE_SEND         1067
#define IDD_VD_PAGE_RECV         1072
#define IDD_VD_PAGE_PORT         1073
#define IDD_VD_PAGE_KOCH         1074
#define IDD_VD_PAGE_NETWORK      1075

// Settings dialog frame.
#define IDC_VD_SETTINGS_TAB      1004
#define IDC_VD_SETTINGS_OK       1024

// Page "常规" (durations and speed).
#define IDC_VD_COMPUTESPEED      1017
#define IDC_VD_SHORTHIT          1018
#define IDC_VD_LONGHIT           1019
#define IDC_VD_HITDELAY          1020
#define IDC_VD_LETTERDELAY       1021
#define IDC_VD_WPM               1025
#define IDC_VD_EFFECTIVEWPM      1370

// Page "发送".
#define IDC_VD_BEEPFREQ          1002
#define IDC_VD_BEEPVOL           1005
#define IDC_VD_SENDPERIOD        1007
#define IDC_VD_SENDIDLELIMIT     1009
#define IDC_VD_CWKEY             1022
#define IDC_VD_WORDDELAY         1062
#define IDC_VD_EDGEMS            1300

// Page "接收".
#define IDC_VD_RECVPERIOD        1010
#define IDC_VD_RECVIDLELIMIT     1011
#define IDC_VD_RECVSAMPLES       1012
#define IDC_VD_RECVTHRESHOLD     1013
#define IDC_VD_RECVFREQSTART     1014
#define IDC_VD_RECVFREQEND       1015
// Receiver choice on the receive page: fixed threshold or adaptive.
#define IDC_VD_RECVFIXED         1320
#define IDC_VD_RECVADAPTIVE      1321
// Receive log on the receive page: decoded text appended to vardorecv.txt.
#define IDC_VD_RECVLOG           1322

// Page "Koch训练".
#define IDC_VD_CHARLIST          1026
#define IDC_VD_KOCHWORDLEN       1061
#define IDC_VD_KOCHWEIGHTED      1371
// Training plays the sidetone only, without the key line and the PTT.
#define IDC_VD_KOCHSIDETONEONLY  1390

// Page "网络".
#define IDC_VD_HOSTADD           1008
#define IDC_VD_LOCALPORT         1032
#define IDC_VD_HOSTPORT          1033
#define IDC_VD_HOSTLIST          1034
#define IDC_VD_HOSTIP            1035
#define IDC_VD_HOSTDELETE        1036
#define IDC_VD_NWENABLED         1038

// Page "I/O".
#define IDC_VD_EXTPORTENABLE     1100
#define IDC_VD_EXTPORTADDR       1101
#define IDC_VD_OPENBYTE          1102
#define IDC_VD_CLOSEBYTE         1103
#define IDC_VD_SERIALKEY         1340
#define IDC_VD_SERIALPORT        1341
#define IDC_VD_SERIALLINE        1342
#define IDC_VD_SERIALINVERT      1343
#define IDC_VD_SERIALTEST        1344
#define IDC_VD_SERIALPTT         1345
#define IDC_VD_PTTLEAD           1346
#define IDC_VD_PTTTAIL           1347
#define IDC_VD_PTTINVERT         1348

// Koch copy dialog.
#define IDC_VD_COPYEDIT          1003
#define IDC_VD_COPYDONE          1024
#define IDC_VD_COPYCLOCK         1027
#define IDC_VD_COPYCOUNT         1028
#define IDC_VD_COPYWRONG         1029
#define IDC_VD_COPYRATE          1030
#define IDT_VD_COPYCLOCK         101
#define IDC_VD_COPYSTATS         1372

// Input box.
#define IDC_VD_INPUTEDIT         1066
#define IDC_VD_INPUTPROMPT       1068
