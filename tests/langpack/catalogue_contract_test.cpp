// The contract between the program and its language packs: every pack carries every
// string, dialog, menu, toolbar, bitmap and icon the program asks for by number. The
// Chinese pack carries them exactly as listed here; every other pack carries the same
// numbers, controls, places, styles, commands and images, texts of its own where the
// Chinese pack has one, and the same printf conversions in every string.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/LanguagePack.h"

namespace {

using app::CLanguagePack;
using app::CLanguagePackFolder;
using app::ControlKind;
using app::DialogControl;
using app::MenuItem;
using app::MenuItemKind;
using app::PackResourceType;
using namespace app;  // the style constants

// A text the program replaces at run time: any text will do, but there must be one.
constexpr const char* kAnyText = nullptr;

struct ExpectedString {
    int id;
    const char* text;
};

const ExpectedString kStrings[] = {
    {8000, "&关于 Telvane..."},
    {8001, "HarmundSIM编辑工具已经运行!!"},
    {8002, "PIN 错误: CHV 尚未初始化"},
    {8003, "PIN 错误: CHV 校验失败, 至少还有一次尝试"},
    {8004, "PIN 错误: 与PIN码启用状态相矛盾"},
    {8005, "PIN 错误: 与PIN码无效状态相矛盾"},
    {8006, "PIN 错误: CHV 校验失败, 此卡已锁.请使用PUK码解锁"},
    {8007, "PIN 错误: 未知原因"},
    {8008, "PIN 码错误状态"},
    {8009, "总计有%d条记录,当前正在读取第 %d 条记录"},
    {8010, "标题"},
    {8011, "状态"},
    {8012, "进度"},
    {8013, "序号"},
    {8014, "姓名"},
    {8015, "电话号码"},
    {8016, "序号"},
    {8017, "状态"},
    {8018, "From/To"},
    {8019, "时间"},
    {8020, "内容"},
    {8021, "Harmund SIM编辑工具"},
    {8022, "完成读取电话簿: 总计: %d，已有  %d使用"},
    {8023, "是否编辑SIM卡电话簿?"},
    {8024, "电话簿编辑"},
    {8025, "总计交换 %d 条记录, 其中有 %d 条重复."},
    {8026, "在你的系统上没有指定的 RX5209 设备!"},
    {8027, "你系统上所插入的 RX5209 设备不被支持."},
    {8028, "找到支持的设备: %x - %x"},
    {8029, "成功连接SIM卡. ICCID 为 %s"},
    {8030, "连接 SIM 卡失败. 卡槽中没有卡?"},
    {8031, "当前正在写入记录: %d / %d"},
    {8032, "完成写入电话簿: 总计: %d，已有  %d使用"},
    {8033, "确定把数据写入SIM卡?\n这将更新电话簿!\n写入 %d 条记录!\n 并且其余 %d 条记录都将被清除"},
    {8034, "你所输入的姓名超出长度限制. \n 如果存在任何unicode 字符, 最大长度是 %d,\n 否则是 %d."},
    {8035, "已读"},
    {8036, "未读"},
    {8037, "已发"},
    {8038, "未发"},
    {8039,
     "确定把数据写入SIM卡?\n这将更新SMS短信息记录!\n写入 %d 条记录!\n 并且其余 %d "
     "条记录都将被清除"},
    {8040, "总计%d条，正在写入第%d短信息..."},
    {8041, "SIM卡短信息容量为%d，此次%d 条短信息写入完成!"},
    {8042, "PIN 已启用"},
    {8043, "PIN 已禁用"},
    {8044, "修改 PIN - 完成"},
    {8045, "连接"},
    {8046, "断开"},
    {8047, "读取 SIM"},
    {8048, "写入 SIM"},
    {8049, "PIN 码管理"},
    {8050, "文件"},
    {8051, "电话簿"},
    {8052, "短信息"},
    {8053, "错误"},
    {8054, "打开所要读取的文件失败"},
    {8055, "打开所要写入的文件失败"},
    {8056, "完成读取短信息: 总计: %d ，已有: %d使用"},
    {8057, "拓展"},
    {8058, "插入"},
    {8059, "编辑"},
    {8060, "删除"},
    {8061, "向上"},
    {8062, "向下"},
    {8063, "全选"},
    {8064, "由SIM卡中读取的电话簿"},
    {8065, "全选"},
    {8066, "交换"},
    {8067, "电话簿编辑窗口"},
    {8068, "当前进度"},
    {8069, "这里是当前进展情况窗口...\n\n请稍候， 操作即将完成 ."},
    {8070,
     "短信息在包含CJK字符的情况下，只可以输入70个；否则最多可输入160个字符(注意,{,},[,],^,\\,~,"
     "以两个字符记)。你所输入已超出范围"},
    {8071, "你所输入的电话号码超出长度限制. \n 最大长度为20."},
    {8072, "要写入的短信数目超出SIM卡容量."},
    {8073, "这张SIM卡不被支持!!"},
    {8074, "不能获得正确的短信息中心信息。"},
    {8075, "确定要覆盖已保存的记录文件?"},
    {8076, "要写入的记录超出SIM卡最大容量。 仅有 %d 条记录将被写入SIM卡。"},
    {8077, "你打算清空这张SIM卡上的所有记录内容吗?"},
    {8078, "所有记录已被清除."},
};

struct ExpectedControl {
    int id;
    ControlKind kind;
    std::uint32_t styles;
    int x, y, width, height;
    const char* text;
    PackResourceType imageType;
    int imageId;
};

struct ExpectedDialog {
    int id;
    const char* caption;
    std::uint32_t styles;
    int width, height;
    int menu;
    std::vector<ExpectedControl> controls;
};

const ExpectedDialog kDialogs[] = {
    {100,
     "About Telvane",
     kDialogPopup | kDialogModalFrame | kDialogCaption | kDialogSystemMenu,
     236,
     55,
     0,
     {
         {DialogControl::kNoId, ControlKind::Picture, 0, 11, 17, 20, 20, "", PackResourceType::Icon,
          128},
         {1019, ControlKind::StaticText, kStyleNoPrefix, 40, 10, 127, 18, kAnyText,
          PackResourceType::Icon, 0},
         {1020, ControlKind::StaticText, 0, 40, 32, 178, 8, kAnyText, PackResourceType::Icon, 0},
         {1, ControlKind::DefaultPushButton, 0, 179, 7, 50, 14, "确定", PackResourceType::Icon, 0},
     }},
    {151,
     "修改 PIN 码状态",
     kDialogPopup | kDialogModalFrame | kDialogCaption | kDialogSystemMenu,
     164,
     87,
     0,
     {
         {1015, ControlKind::Edit, kStylePassword | kStyleDigitsOnly | kStyleAutoHScroll, 92, 9, 61,
          14, "", PackResourceType::Icon, 0},
         {1016, ControlKind::RadioButton, 0, 11, 43, 56, 10, "启用 PIN 码", PackResourceType::Icon,
          0},
         {1017, ControlKind::RadioButton, 0, 76, 43, 56, 10, "禁用 PIN 码", PackResourceType::Icon,
          0},
         {1, ControlKind::DefaultPushButton, 0, 15, 66, 50, 14, "确定", PackResourceType::Icon, 0},
         {2, ControlKind::PushButton, 0, 86, 66, 50, 14, "取消", PackResourceType::Icon, 0},
         {1024, ControlKind::StaticText, 0, 41, 11, 51, 8, "请输入 PIN 码:", PackResourceType::Icon,
          0},
         {DialogControl::kNoId, ControlKind::GroupBox, 0, 5, 0, 154, 29, "", PackResourceType::Icon,
          0},
         {DialogControl::kNoId, ControlKind::GroupBox, 0, 5, 34, 154, 29, "",
          PackResourceType::Icon, 0},
         {DialogControl::kNoId, ControlKind::Picture, 0, 8, 8, 27, 15, "", PackResourceType::Bitmap,
          152},
     }},
    {153,
     "修改 PIN 码",
     kDialogPopup | kDialogModalFrame | kDialogCaption | kDialogSystemMenu,
     180,
     86,
     0,
     {
         {1018, ControlKind::Edit, kStylePassword | kStyleDigitsOnly, 81, 11, 78, 14, "",
          PackResourceType::Icon, 0},
         {1019, ControlKind::Edit, kStylePassword | kStyleDigitsOnly, 81, 27, 78, 14, "",
          PackResourceType::Icon, 0},
         {1020, ControlKind::Edit, kStylePassword | kStyleDigitsOnly, 81, 43, 78, 14, "",
          PackResourceType::Icon, 0},
         {1, ControlKind::DefaultPushButton, 0, 34, 67, 50, 14, "确定", PackResourceType::Icon, 0},
         {2, ControlKind::PushButton, 0, 98, 67, 50, 14, "取消", PackResourceType::Icon, 0},
         {1021, ControlKind::StaticText, kStyleRight, 11, 11, 63, 8,
          "请输入旧的 PIN 码:", PackResourceType::Icon, 0},
         {1022, ControlKind::StaticText, kStyleRight, 11, 27, 63, 8,
          "请输入新的 PIN 码:", PackResourceType::Icon, 0},
         {1023, ControlKind::StaticText, kStyleRight, 2, 43, 72, 8,
          "请再次输入新的 PIN 码:", PackResourceType::Icon, 0},
         {DialogControl::kNoId, ControlKind::GroupBox, 0, 8, 0, 163, 62, "", PackResourceType::Icon,
          0},
     }},
    {155,
     "验证 PIN 码",
     kDialogPopup | kDialogModalFrame | kDialogCaption | kDialogSystemMenu,
     166,
     63,
     0,
     {
         {1025, ControlKind::Edit, kStylePassword | kStyleDigitsOnly, 92, 11, 61, 14, "",
          PackResourceType::Icon, 0},
         {1, ControlKind::DefaultPushButton, 0, 22, 41, 50, 14, "确定", PackResourceType::Icon, 0},
         {2, ControlKind::PushButton, 0, 95, 40, 50, 14, "取消", PackResourceType::Icon, 0},
         {1024, ControlKind::StaticText, 0, 43, 13, 41, 8, "请输入 PIN:", PackResourceType::Icon,
          0},
         {DialogControl::kNoId, ControlKind::GroupBox, 0, 5, 0, 155, 35, "", PackResourceType::Icon,
          0},
         {DialogControl::kNoId, ControlKind::Picture, 0, 8, 10, 27, 15, "",
          PackResourceType::Bitmap, 152},
     }},
    {157,
     "编辑电话簿",
     kDialogPopup | kDialogModalFrame | kDialogCaption | kDialogSystemMenu,
     154,
     87,
     0,
     {
         {1026, ControlKind::StaticText, 0, 8, 2, 17, 8, "姓名", PackResourceType::Icon, 0},
         {1027, ControlKind::Edit, kStyleAutoHScroll, 8, 12, 139, 14, "", PackResourceType::Icon,
          0},
         {1028, ControlKind::StaticText, 0, 8, 31, 17, 8, "号码", PackResourceType::Icon, 0},
         {1030, ControlKind::CheckBox, 0, 6, 41, 20, 10, "+", PackResourceType::Icon, 0},
         {1029, ControlKind::Edit, kStyleAutoHScroll, 28, 41, 119, 14, "", PackResourceType::Icon,
          0},
         {1, ControlKind::DefaultPushButton, 0, 13, 66, 50, 14, "确定", PackResourceType::Icon, 0},
         {2, ControlKind::PushButton, 0, 90, 65, 50, 14, "取消", PackResourceType::Icon, 0},
     }},
    {1700,
     "HarmundUSB 2.0 Flash+SIM读卡器编辑工具",
     kDialogPopup | kDialogVisible | kDialogCaption | kDialogSystemMenu | kDialogMinimizeBox |
         kDialogMaximizeBox,
     682,
     402,
     500,
     {
         {1701, ControlKind::PushButton, kStyleDisabled, 1, 41, 50, 19, "添加",
          PackResourceType::Icon, 0},
         {1702, ControlKind::PushButton, kStyleDisabled, 1, 60, 50, 19, "插入",
          PackResourceType::Icon, 0},
         {1703, ControlKind::PushButton, kStyleDisabled, 1, 79, 50, 19, "编辑",
          PackResourceType::Icon, 0},
         {1704, ControlKind::PushButton, 0, 1, 98, 50, 19, "删除", PackResourceType::Icon, 0},
         {1705, ControlKind::PushButton, kStyleDisabled, 1, 170, 50, 19, "向上",
          PackResourceType::Icon, 0},
         {1706, ControlKind::PushButton, kStyleDisabled, 1, 189, 50, 19, "向下",
          PackResourceType::Icon, 0},
         {1712, ControlKind::TabControl, 0, 60, 1, 621, 389, "", PackResourceType::Icon, 0},
         {1045, ControlKind::Frame, 0, 0, 349, 62, 23, "", PackResourceType::Icon, 0},
         {1019, ControlKind::StaticText, 0, 4, 379, 55, 8, kAnyText, PackResourceType::Icon, 0},
     }},
    {1800,
     "",
     kDialogChild,
     621,
     374,
     0,
     {
         {1801, ControlKind::ListView, kStyleReportView | kStyleBorder, 0, 10, 278, 360, "",
          PackResourceType::Icon, 0},
         {1708, ControlKind::StaticText, kStyleCentre, 377, 1, 234, 8,
          "由SIM卡中读取的以及将写入SIM卡中电话簿", PackResourceType::Icon, 0},
         {1802, ControlKind::ListView, kStyleReportView | kStyleBorder, 338, 10, 278, 360, "",
          PackResourceType::Icon, 0},
         {1710, ControlKind::PushButton, 0, 290, 130, 45, 14, "", PackResourceType::Icon, 173},
         {1711, ControlKind::StaticText, kStyleCentre, 1, 0, 234, 8, "电话簿编辑窗口",
          PackResourceType::Icon, 0},
         {1713, ControlKind::PushButton, 0, 291, 158, 44, 14, "", PackResourceType::Icon, 176},
     }},
    {1900,
     "",
     kDialogChild,
     613,
     369,
     0,
     {
         {1901, ControlKind::ListView, kStyleReportView | kStyleSingleSelection | kStyleBorder, 0,
          0, 613, 369, "", PackResourceType::Icon, 0},
     }},
    {2200,
     "编辑短信息",
     kDialogPopup | kDialogModalFrame | kDialogCaption | kDialogSystemMenu,
     230,
     158,
     0,
     {
         {2208, ControlKind::StaticText, 0, 6, 21, 17, 8, "来自", PackResourceType::Icon, 0},
         {2209, ControlKind::StaticText, 0, 37, 21, 113, 8, "1", PackResourceType::Icon, 0},
         {2204, ControlKind::StaticText, 0, 6, 32, 28, 8, "发给", PackResourceType::Icon, 0},
         {2206, ControlKind::ComboBox, kStyleDropDown | kStyleVScroll, 37, 32, 116, 76, "",
          PackResourceType::Icon, 0},
         {2210, ControlKind::StaticText, 0, 6, 43, 27, 8, "时间", PackResourceType::Icon, 0},
         {2211, ControlKind::StaticText, 0, 37, 47, 113, 8, "", PackResourceType::Icon, 0},
         {1708, ControlKind::StaticText, 0, 6, 54, 27, 8, "号码", PackResourceType::Icon, 0},
         {2212, ControlKind::StaticText, 0, 35, 55, 113, 8, "1", PackResourceType::Icon, 0},
         {2207, ControlKind::RichEdit, kStyleBorder | kStyleVScroll | kStyleMultiline, 1, 66, 227,
          92, "", PackResourceType::Icon, 0},
         {1, ControlKind::PushButton, 0, 3, 2, 50, 14, "确定", PackResourceType::Icon, 0},
         {2201, ControlKind::PushButton, 0, 52, 2, 50, 14, "回复", PackResourceType::Icon, 0},
         {2202, ControlKind::PushButton, 0, 101, 2, 50, 14, "转发", PackResourceType::Icon, 0},
         {2203, ControlKind::PushButton, 0, 151, 2, 66, 14, "保存到文件", PackResourceType::Icon,
          0},
     }},
};

MenuItem Command(int command, const char* text) {
    return MenuItem{MenuItemKind::Command, command, text, {}};
}
MenuItem Separator() {
    return MenuItem{MenuItemKind::Separator, 0, "", {}};
}
MenuItem Submenu(const char* text, std::vector<MenuItem> items) {
    return MenuItem{MenuItemKind::Submenu, 0, text, std::move(items)};
}

const std::map<int, std::vector<MenuItem>>& Menus() {
    static const std::map<int, std::vector<MenuItem>> menus = {
        {500,
         {Submenu("SIM卡",
                  {Command(5000, "连接"), Command(5001, "断开"), Separator(),
                   Command(5002, "读取 SIM(R)"), Command(5003, "写入 SIM(&w)"), Separator(),
                   Submenu("PIN 码管理", {Command(5004, "修改 PIN 码状态"), Separator(),
                                          Command(5005, "修改 PIN\u3000码")}),
                   Separator(), Command(5006, "退出")}),
          Submenu("文件", {Command(5100, "读取文件"), Command(5101, "保存文件")}),
          Submenu("设置", {Submenu("语言", {Command(5200, "默认")})}),
          Submenu("帮助", {Command(5300, "内容"), Separator(), Command(5301, "关于 Telvane...")})}},
        {156,
         {Submenu("===OP====", {Command(5601, "添加"), Command(5602, "插入"), Command(5603, "编辑"),
                                Command(5604, "删除"), Separator(), Command(5605, "向上"),
                                Command(5606, "向下")})}},
        {6000,
         {Submenu("文件", {Command(5100, "读取文件"), Separator(), Command(5101, "保存文件")})}},
        {7000,
         {Submenu("PIN",
                  {Command(5004, "修改 PIN 码状态"), Separator(), Command(5005, "修改 PIN 码")})}},
    };
    return menus;
}

struct ExpectedImage {
    PackResourceType type;
    int id;
    int width, height, bitsPerPixel;
};

const ExpectedImage kImages[] = {
    {PackResourceType::Bitmap, 137, 440, 30, 4}, {PackResourceType::Bitmap, 152, 41, 24, 24},
    {PackResourceType::Bitmap, 173, 48, 16, 8},  {PackResourceType::Icon, 128, 32, 32, 32},
    {PackResourceType::Icon, 129, 32, 32, 32},   {PackResourceType::Icon, 142, 32, 32, 32},
    {PackResourceType::Icon, 143, 32, 32, 32},   {PackResourceType::Icon, 144, 32, 32, 32},
    {PackResourceType::Icon, 145, 32, 32, 32},   {PackResourceType::Icon, 146, 32, 32, 32},
    {PackResourceType::Icon, 154, 39, 22, 32},   {PackResourceType::Icon, 159, 32, 32, 32},
    {PackResourceType::Icon, 160, 32, 32, 32},   {PackResourceType::Icon, 162, 32, 32, 32},
    {PackResourceType::Icon, 163, 16, 16, 32},   {PackResourceType::Icon, 170, 16, 16, 32},
    {PackResourceType::Icon, 172, 16, 16, 32},   {PackResourceType::Icon, 173, 32, 32, 32},
    {PackResourceType::Icon, 176, 32, 32, 32},
};

// -- the packs under test ------------------------------------------------------------------

std::vector<std::string> PackNames() {
    std::vector<std::string> names;
    std::stringstream list(TELVANE_LANGUAGE_PACKS);
    for (std::string name; std::getline(list, name, ',');) {
        names.push_back(name);
    }
    return names;
}

const std::string kChinesePack = "Zhvalo";

class CatalogueContract : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        const CLanguagePackFolder folder(TELVANE_PACK_DIR);
        app::PackLoadError error = app::PackLoadError::None;
        pack_ = CLanguagePack::Load(folder, folder.Directory() + GetParam() + ".so", &error);
        ASSERT_TRUE(pack_) << GetParam() << ": load error " << static_cast<int>(error);
        exact_ = GetParam() == kChinesePack;
    }

    // The text check: exact for the Chinese pack; for others a text where one is expected
    // and none where none is.
    void ExpectText(const std::string& actual, const char* expected, const std::string& where) {
        if (expected == kAnyText) {
            EXPECT_FALSE(actual.empty()) << where;
        } else if (exact_) {
            EXPECT_EQ(actual, expected) << where;
        } else {
            EXPECT_EQ(actual.empty(), std::string(expected).empty()) << where << ": " << actual;
        }
    }

    void ExpectMenuItems(const std::vector<MenuItem>& actual, const std::vector<MenuItem>& expected,
                         const std::string& where) {
        ASSERT_EQ(actual.size(), expected.size()) << where;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const std::string item = where + " item " + std::to_string(i);
            EXPECT_EQ(actual[i].kind, expected[i].kind) << item;
            EXPECT_EQ(actual[i].command, expected[i].command) << item;
            ExpectText(actual[i].text, expected[i].text.c_str(), item);
            ExpectMenuItems(actual[i].items, expected[i].items,
                            item + " (" + expected[i].text + ")");
        }
    }

    std::unique_ptr<CLanguagePack> pack_;
    bool exact_ = false;
};

TEST_P(CatalogueContract, EveryStringWithTheSameConversions) {
    for (const ExpectedString& expected : kStrings) {
        const std::optional<std::string> text = pack_->String(expected.id);
        ASSERT_TRUE(text) << "string " << expected.id;
        ExpectText(*text, expected.text, "string " + std::to_string(expected.id));
        EXPECT_FALSE(text->empty()) << "string " << expected.id;
        EXPECT_EQ(app::PackTextConversions(*text), app::PackTextConversions(expected.text))
            << "string " << expected.id << ": " << *text;
    }
}

TEST_P(CatalogueContract, EveryDialogWithEveryControl) {
    for (const ExpectedDialog& expected : kDialogs) {
        const std::string where = "dialog " + std::to_string(expected.id);
        const std::optional<app::DialogTemplate> dialog = pack_->Dialog(expected.id);
        ASSERT_TRUE(dialog) << where;
        ExpectText(dialog->caption, expected.caption, where + " caption");
        EXPECT_EQ(dialog->styles, expected.styles) << where;
        EXPECT_EQ(dialog->width, expected.width) << where;
        EXPECT_EQ(dialog->height, expected.height) << where;
        EXPECT_EQ(dialog->menu, expected.menu) << where;
        EXPECT_EQ(dialog->fontPointSize, 8) << where;
        EXPECT_EQ(dialog->fontFace, "MS Sans Serif") << where;
        ASSERT_EQ(dialog->controls.size(), expected.controls.size()) << where;
        for (std::size_t i = 0; i < expected.controls.size(); ++i) {
            const ExpectedControl& want = expected.controls[i];
            const DialogControl& got = dialog->controls[i];
            const std::string control =
                where + " control " + std::to_string(i) + " (id " + std::to_string(want.id) + ")";
            EXPECT_EQ(got.id, want.id) << control;
            EXPECT_EQ(got.kind, want.kind) << control;
            EXPECT_EQ(got.styles, want.styles) << control;
            EXPECT_EQ(got.x, want.x) << control;
            EXPECT_EQ(got.y, want.y) << control;
            if (exact_) {
                EXPECT_EQ(got.width, want.width) << control;
                EXPECT_EQ(got.height, want.height) << control;
            } else {
                // A translation may widen a text; it keeps its place.
                EXPECT_GE(got.width, want.width) << control;
                EXPECT_GE(got.height, want.height) << control;
            }
            ExpectText(got.text, want.text, control);
            EXPECT_EQ(got.imageId, want.imageId) << control;
            if (want.imageId != 0) {
                EXPECT_EQ(got.imageType, want.imageType) << control;
            }
        }
    }
}

TEST_P(CatalogueContract, EveryMenuWithItsItemsAndCommands) {
    for (const auto& [id, items] : Menus()) {
        const std::optional<app::MenuTemplate> menu = pack_->Menu(id);
        ASSERT_TRUE(menu) << "menu " << id;
        ExpectMenuItems(menu->items, items, "menu " + std::to_string(id));
    }
}

TEST_P(CatalogueContract, ToolbarWithItsElevenCommands) {
    const std::optional<app::ToolbarTemplate> toolbar = pack_->Toolbar(137);
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->buttonWidth, 40);
    EXPECT_EQ(toolbar->buttonHeight, 30);
    EXPECT_EQ(toolbar->commands, (std::vector<int>{32789, 5000, 5001, 32790, 5002, 5003, 32791,
                                                   32796, 32792, 32798, 32793}));
}

TEST_P(CatalogueContract, EveryBitmapAndIconAtItsSize) {
    for (const ExpectedImage& expected : kImages) {
        const bool bitmap = expected.type == PackResourceType::Bitmap;
        const std::string where = (bitmap ? "bitmap " : "icon ") + std::to_string(expected.id);
        const std::optional<app::PackBytes> bytes = pack_->Resource(expected.type, expected.id);
        ASSERT_TRUE(bytes) << where;
        const std::optional<app::ImageInfo> info =
            bitmap ? app::InspectBitmapResource(*bytes) : app::InspectIconResource(*bytes);
        ASSERT_TRUE(info) << where;
        EXPECT_EQ(info->width, expected.width) << where;
        EXPECT_EQ(info->height, expected.height) << where;
        EXPECT_EQ(info->bitsPerPixel, expected.bitsPerPixel) << where;
        EXPECT_TRUE(bitmap ? pack_->Bitmap(expected.id) : pack_->Icon(expected.id)) << where;
    }
}

// -- what the pictures hold ----------------------------------------------------------------

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

// The pixels of an uncompressed BMP of 4, 8 or 24 bits (the packs' bitmaps), top row first.
std::vector<std::vector<Rgb>> DecodeBitmap(const std::vector<std::uint8_t>& file) {
    auto u32 = [&](std::size_t at) {
        return file[at] | (file[at + 1] << 8) | (file[at + 2] << 16) | (file[at + 3] << 24);
    };
    const int offset = u32(10);
    const int width = u32(18);
    const int height = u32(22);
    const int bits = file[28] | (file[29] << 8);
    const int stride = (width * bits + 31) / 32 * 4;
    std::vector<std::vector<Rgb>> rows(height, std::vector<Rgb>(width));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = &file[offset + (height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                rows[y][x] = Rgb{row[x * 3 + 2], row[x * 3 + 1], row[x * 3]};
                continue;
            }
            const int index = bits == 8 ? row[x] : (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
            const std::uint8_t* entry = &file[54 + index * 4];
            rows[y][x] = Rgb{entry[2], entry[1], entry[0]};
        }
    }
    return rows;
}

// The pixels of the cell-th square of side `width` in a strip, row by row.
std::vector<Rgb> Cell(const std::vector<std::vector<Rgb>>& rows, int cell, int width) {
    std::vector<Rgb> pixels;
    for (const auto& row : rows) {
        pixels.insert(pixels.end(), row.begin() + cell * width, row.begin() + (cell + 1) * width);
    }
    return pixels;
}

int CountUnlike(const std::vector<Rgb>& pixels, Rgb background) {
    int count = 0;
    for (const Rgb& pixel : pixels) {
        count += pixel == background ? 0 : 1;
    }
    return count;
}

TEST_P(CatalogueContract, CheckBoxesOnPureMagenta) {
    const std::optional<std::vector<std::uint8_t>> file = pack_->Bitmap(173);
    ASSERT_TRUE(file);
    const auto rows = DecodeBitmap(*file);
    const Rgb magenta{255, 0, 255};
    const std::vector<Rgb> empty = Cell(rows, 0, 16);
    const std::vector<Rgb> unchecked = Cell(rows, 1, 16);
    const std::vector<Rgb> checked = Cell(rows, 2, 16);
    EXPECT_EQ(CountUnlike(empty, magenta), 0) << "image 0 is empty";
    for (const auto* box : {&unchecked, &checked}) {
        EXPECT_EQ(box->front(), magenta) << "the corners are the mask";
        EXPECT_EQ(box->back(), magenta);
        EXPECT_GT(CountUnlike(*box, magenta), 100) << "a box of 13 x 13 or so";
    }
    EXPECT_NE(unchecked, checked);
    // The checked box has its mark: more dark pixels than the unchecked one.
    auto dark = [](const std::vector<Rgb>& pixels) {
        int count = 0;
        for (const Rgb& p : pixels) {
            count += p.r + p.g + p.b < 100 ? 1 : 0;
        }
        return count;
    };
    EXPECT_GT(dark(checked), dark(unchecked) + 10);
}

TEST_P(CatalogueContract, ToolbarStripShowsTheSixCommandButtons) {
    const std::optional<std::vector<std::uint8_t>> file = pack_->Bitmap(137);
    ASSERT_TRUE(file);
    const auto rows = DecodeBitmap(*file);
    const Rgb face{192, 192, 192};
    EXPECT_EQ(CountUnlike(Cell(rows, 0, 40), face), 0) << "button 0 is blank";
    std::vector<std::vector<Rgb>> faces;
    for (int button : {1, 2, 4, 5, 7, 9}) {
        faces.push_back(Cell(rows, button, 40));
        EXPECT_GT(CountUnlike(faces.back(), face), 80) << "button " << button << " shows a picture";
    }
    for (std::size_t i = 0; i < faces.size(); ++i) {
        for (std::size_t j = i + 1; j < faces.size(); ++j) {
            EXPECT_NE(faces[i], faces[j]) << "two buttons with the same picture";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Packs, CatalogueContract, testing::ValuesIn(PackNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

// -- the identities --------------------------------------------------------------------------

TEST(PackIdentity, ChineseAndEnglish) {
    const CLanguagePackFolder folder(TELVANE_PACK_DIR);
    const std::unique_ptr<CLanguagePack> chinese =
        CLanguagePack::Load(folder, folder.Directory() + "Zhvalo.so");
    const std::unique_ptr<CLanguagePack> english =
        CLanguagePack::Load(folder, folder.FallbackPackPath());
    ASSERT_TRUE(chinese);
    ASSERT_TRUE(english);
    EXPECT_EQ(chinese->Name(), "Chinese Simplified");
    EXPECT_EQ(chinese->Id(), 2052);
    EXPECT_EQ(english->Name(), "English");
    EXPECT_EQ(english->Id(), 1033);
    for (const CLanguagePack* pack : {chinese.get(), english.get()}) {
        // One line of printable ASCII.
        EXPECT_FALSE(pack->Description().empty());
        for (char c : pack->Description()) {
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << pack->Name();
        }
    }
}

}  // namespace
