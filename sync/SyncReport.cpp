#include "sync/SyncReport.h"

#include <cstdio>

#include "storage/DateUtils.h"

std::string DescribeReport(const TSyncReport& report) {
    std::string text;
    auto add = [&](const char* what, int count) {
        if (count == 0)
            return;
        if (!text.empty())
            text += ", ";
        text += std::string(what) + " " + std::to_string(count) + " 件";
    };
    add("送信", report.Uploaded);
    add("サーバーで削除", report.DeletedRemote);
    add("受信", report.Downloaded);
    add("この端末で削除", report.DeletedLocal);
    add("統合", report.Merged);
    add("未送信", report.Pending);
    if (text.empty())
        text = "変更なし";
    if (!report.DaysNeedingLook.empty()) {
        text += "; 確認が必要な日:";
        for (int32_t day : report.DaysNeedingLook) {
            const TYmd date = YmdOf(day);
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, " %04d-%02d-%02d", date.Year, date.Month, date.Day);
            text += buffer;
        }
    }
    if (!report.Error.empty())
        text = text == "変更なし" ? report.Error : report.Error + " (" + text + ")";
    return text;
}
