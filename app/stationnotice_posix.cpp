// Native builds have no message boxes: the notice goes to standard error.
#include "app/stationnotice.h"

#include <cstdio>

void PlatformShowStationNotice(void*, int notice) {
    switch (notice) {
    case NOTICE_NETWORK_FAILED:
        std::fprintf(stderr, "警告: 无法打开网络功能\n");
        break;
    case NOTICE_NO_KOCH_CHARS:
        std::fprintf(stderr, "错误: 没有设置Koch训练字符\n请先在菜单的[工具->设置]中设置至少2个ASCII字符\n");
        break;
    case NOTICE_STATS_REPLACED:
        std::fprintf(stderr, "警告: 字符统计文件已损坏，已改名为vardostats.txt.bad保留，并重新开始统计。\n");
        break;
    case NOTICE_STATS_UNREADABLE:
        std::fprintf(stderr, "警告: 无法读取字符统计文件vardostats.txt，文件保持原样，本次练习未记入统计。\n");
        break;
    case NOTICE_STATS_SAVE_FAILED:
        std::fprintf(stderr, "警告: 无法保存字符统计文件vardostats.txt，本次练习未记入统计。\n");
        break;
    case NOTICE_SERIAL_FAILED:
        std::fprintf(stderr, "警告: 串口键控失败：无法设置键控线或PTT线（串口可能已拔出）。键控已停止，串口恢复后将自动重新打开。\n");
        break;
    case NOTICE_RECV_LOG_FAILED:
        std::fprintf(stderr, "警告: 无法写入接收记录文件vardorecv.txt，本次运行不再记录。\n");
        break;
    default:
        break;
    }
}
