// The settings store and the application adapter with their static facades.
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include "AppAdapter.h"
#include "AppSetting.h"
#include "CommonQTAppAdapter.h"
#include "CommonQTAppSetting.h"
#include "TestEnv.h"

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The INI file of a store named `app` (per-user, INI format).
std::string storeFile(const std::string& app) {
    return std::string(getenv("XDG_CONFIG_HOME")) + "/" + CommonQTAppSetting::organizationName +
           "/" + app + ".ini";
}

// Takes a string from the store and frees it; "<null>" for null.
std::string take(char* text) {
    const std::string result = text ? text : "<null>";
    free(text);
    return result;
}

class LangAdapter : public CommonQTAppAdapter {
  public:
    LangAdapter(const std::string& root, const char* lang)
        : CommonQTAppAdapter(RootFolder{root.c_str()}, nullptr), lang(lang) {}
    const char* doGetLangCode() override { return lang; }
    const char* lang;
};

}  // namespace

TEST(AppSetting, UnsetKeysAndTypes) {
    CommonQTAppSetting store("UnsetKeys");
    AppSetting::_setAppSetting(&store);
    EXPECT_EQ(AppSetting::getInt("none"), 0);
    EXPECT_FALSE(AppSetting::getBoolean("none"));
    EXPECT_EQ(AppSetting::getLongLong("none"), 0);
    EXPECT_EQ(take(AppSetting::getAndDupString("none")), "<null>");

    AppSetting::setString("empty", "");
    EXPECT_EQ(take(AppSetting::getAndDupString("empty")), "");
    AppSetting::setString("word", "d\xC3\xA9j\xC3\xA0 vu");
    EXPECT_EQ(take(AppSetting::getAndDupString("word")), "d\xC3\xA9j\xC3\xA0 vu");
    EXPECT_EQ(AppSetting::getInt("word"), 0);
    AppSetting::setInt("int", -42);
    EXPECT_EQ(AppSetting::getInt("int"), -42);
    EXPECT_EQ(take(AppSetting::getAndDupString("int")), "-42");
    AppSetting::setBoolean("flag", true);
    EXPECT_TRUE(AppSetting::getBoolean("flag"));
    AppSetting::setLongLong("big", 1LL << 40);
    EXPECT_EQ(AppSetting::getLongLong("big"), 1LL << 40);
    AppSetting::remove("int");
    AppSetting::removeLongLong("big");
    EXPECT_EQ(AppSetting::getInt("int"), 0);
    EXPECT_EQ(AppSetting::getLongLong("big"), 0);
}

TEST(AppSetting, WritesThroughExceptInBatchMode) {
    const std::string file = storeFile("Batch");
    CommonQTAppSetting store("Batch");
    store.doSetString("deviceId", "{id}");
    EXPECT_NE(readFile(file).find("deviceId={id}"), std::string::npos);

    store.doStartBatchMode();
    store.doSetInt("a", 1);
    store.doSetBoolean("b", true);
    store.doRemove("deviceId");
    const std::string during = readFile(file);
    EXPECT_EQ(during.find("a=1"), std::string::npos);
    EXPECT_NE(during.find("deviceId={id}"), std::string::npos);
    EXPECT_EQ(store.doGetInt("a"), 1);

    store.doCommitBatchMode();
    const std::string after = readFile(file);
    EXPECT_NE(after.find("a=1"), std::string::npos);
    EXPECT_NE(after.find("b=true"), std::string::npos);
    EXPECT_EQ(after.find("deviceId"), std::string::npos);

    store.doSetInt("c", 3);  // batch mode is over
    EXPECT_NE(readFile(file).find("c=3"), std::string::npos);
}

// A running event loop makes QSettings write pending changes by itself: batch mode keeps them
// off the file until the commit all the same, and a store dropped in batch mode writes nothing.
TEST(AppSetting, BatchModeHoldsChangesWhileAnEventLoopRuns) {
    const std::string file = storeFile("BatchLoop");
    auto runEventLoop = [] {
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        loop.exec();
    };
    {
        CommonQTAppSetting store("BatchLoop");
        store.doSetString("kept", "yes");
        store.doStartBatchMode();
        store.doSetInt("a", 1);
        store.doSetString("kept", "changed");
        store.doRemove("kept");
        store.doSetString("kept", "again");
        runEventLoop();
        const std::string during = readFile(file);
        EXPECT_EQ(during.find("a=1"), std::string::npos) << during;
        EXPECT_NE(during.find("kept=yes"), std::string::npos) << during;
        EXPECT_EQ(store.doGetInt("a"), 1);
        EXPECT_EQ(take(store.doGetAndDupString("kept")), "again");

        store.doCommitBatchMode();
        const std::string after = readFile(file);
        EXPECT_NE(after.find("a=1"), std::string::npos) << after;
        EXPECT_NE(after.find("kept=again"), std::string::npos) << after;

        store.doStartBatchMode();
        store.doSetInt("dropped", 5);
        store.doRemove("a");
        runEventLoop();
    }
    const std::string end = readFile(file);
    EXPECT_EQ(end.find("dropped"), std::string::npos) << end;
    EXPECT_NE(end.find("a=1"), std::string::npos) << end;
}

TEST(AppAdapter, FoldersAppearWhenFirstAsked) {
    const std::string root = TestEnv::makeDir("adapter");
    CommonQTAppAdapter adapter(CommonQTAppAdapter::RootFolder{root.c_str()}, "{device}");
    AppAdapter::_setAppAdapter(&adapter);
    EXPECT_FALSE(exists(root + "/log"));
    EXPECT_FALSE(exists(root + "/data"));
    const char* log = AppAdapter::getFullAppLogPath();
    EXPECT_EQ(std::string(log), root + "/log");
    EXPECT_TRUE(exists(root + "/log"));
    EXPECT_FALSE(exists(root + "/data"));
    EXPECT_EQ(AppAdapter::getFullAppLogPath(), log);
    EXPECT_EQ(std::string(AppAdapter::getFullAppDataPath()), root + "/data");
    EXPECT_TRUE(exists(root + "/data"));

    EXPECT_STREQ(AppAdapter::getOSName(), "Mac");
    EXPECT_STREQ(AppAdapter::getDeviceID(), "{device}");
    EXPECT_STREQ(AppAdapter::getLangCode(), "en");
    EXPECT_EQ(AppAdapter::getAndDupPassword("k"), nullptr);
    AppAdapter::savePasswd("k", "v");
    AppAdapter::removePasswd("k");
    EXPECT_EQ(AppAdapter::getAndDupPassword("k"), nullptr);
}

TEST(AppAdapter, SubFolders) {
    const std::string root = TestEnv::makeDir("subdirs");
    CommonQTAppAdapter adapter(CommonQTAppAdapter::RootFolder{root.c_str()}, nullptr);
    AppAdapter::_setAppAdapter(&adapter);
    EXPECT_EQ(AppAdapter::createAppSubDirectory("a/b"), 0);
    EXPECT_TRUE(exists(root + "/a/b"));
    std::ofstream(root + "/a/z.txt") << "z";
    std::ofstream(root + "/a/Y.txt") << "y";
    List<char*> names = AppAdapter::scanAppSubDir("a");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_STREQ(names[0], "Y.txt");
    EXPECT_STREQ(names[1], "z.txt");
    names.freeAllAndReset();
    // A folder that cannot be made is reported.
    EXPECT_EQ(AppAdapter::createAppSubDirectory("a/z.txt/c"), -12);
}

TEST(AppAdapter, DeviceIdWithOSNameIsBuiltOnce) {
    const std::string root = TestEnv::makeDir("devid");
    CommonQTAppAdapter first(CommonQTAppAdapter::RootFolder{root.c_str()}, nullptr);
    AppAdapter::_setAppAdapter(&first);
    EXPECT_STREQ(AppAdapter::getDeviceID(), "Qt device");
    EXPECT_STREQ(AppAdapter::getDeviceIDWithOSName(), "Mac-Qt device");
    CommonQTAppAdapter second(CommonQTAppAdapter::RootFolder{root.c_str()}, "{other}");
    AppAdapter::_setAppAdapter(&second);
    EXPECT_STREQ(AppAdapter::getDeviceIDWithOSName(), "Mac-Qt device");
}

TEST(AppAdapter, SupportedLanguages) {
    const std::string root = TestEnv::makeDir("lang");
    struct Case {
        const char* lang;
        const char* supported;
    };
    const Case cases[] = {{"en", "en"}, {"zh-TW", "zh-TW"}, {"ja", "en"}, {"zh", "en"}};
    for (const Case& c : cases) {
        LangAdapter adapter(root, c.lang);
        AppAdapter::_setAppAdapter(&adapter);
        EXPECT_STREQ(AppAdapter::getSupportedLangCode(), c.supported) << c.lang;
    }
}

TEST(AppAdapter, NamedAdapterUsesTheDataLocation) {
    CommonQTAppAdapter adapter("QUENDRA TRELLIQ", "{device}");
    EXPECT_EQ(QCoreApplication::applicationName().toStdString(), "QUENDRA TRELLIQ");
    const std::string expected = std::string(getenv("XDG_DATA_HOME")) + "/QUENDRA TRELLIQ";
    EXPECT_FALSE(exists(expected + "/log"));
    EXPECT_EQ(std::string(adapter.doGetFullAppLogPath()), expected + "/log");
    EXPECT_TRUE(exists(expected + "/log"));
}
