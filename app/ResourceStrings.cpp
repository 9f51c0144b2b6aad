#include "app/ResourceStrings.h"

#include "core/Parameters.h"

namespace {

struct Row {
    int id;
    const char* english;
    const char* simplified;  // UTF-8
    const char* traditional; // UTF-8
};

constexpr Row kRows[] = {
    {IDS_TOOLBAR_STANDARD, "Standard", "标准", "標準"},
    {IDS_CUSTOMIZE, "Customize...", "自定义...", "自訂..."},
    {IDS_WINDOW_MANAGER, "&Windows...", "窗口(&W)...", "視窗(&W)..."},
    {IDS_RESULTS_PANE, "Measure Results", "测量结果", "測量結果"},
    {IDS_CALIBRATION_PANE, "Calibration Management", "校准管理", "校準管理"},
    {IDS_BROWSER_PANE, "Picture Browser", "图片浏览", "圖片瀏覽"},
};

} // namespace

QString LoadResourceString(int id) {
    for (const Row& row : kRows) {
        if (row.id != id) {
            continue;
        }
        if (g_parameters.languagemainid != 4) {
            return QString::fromUtf8(row.english);
        }
        return QString::fromUtf8(g_parameters.languagesubid == 1 ? row.traditional
                                                                 : row.simplified);
    }
    return {};
}
