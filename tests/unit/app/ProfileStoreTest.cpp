#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/ProfileStore.h"

namespace {

using ombra::platform::MakeSettingsProfileStore;

TEST(SettingsProfileStore, ReadsDefaultsAndRoundTripsTypes) {
    QTemporaryDir dir;
    std::string file = (dir.path() + "/store.ini").toStdString();
    {
        auto store = MakeSettingsProfileStore(file);
        EXPECT_EQ(store->GetInt("Model", "Missing", 13), 13);
        EXPECT_EQ(store->GetString("Model", "Missing", "dflt"), "dflt");
        EXPECT_TRUE(store->WriteInt("Model", "Observer", 2));
        EXPECT_TRUE(store->WriteInt("Model", "Type", -1));
        EXPECT_TRUE(store->WriteString("Model", "Text", "L*a*b* 1.5"));
    }
    auto reread = MakeSettingsProfileStore(file);
    EXPECT_EQ(reread->GetInt("Model", "Observer", 0), 2);
    EXPECT_EQ(reread->GetInt("Model", "Type", 0), -1);
    EXPECT_EQ(reread->GetString("Model", "Text", ""), "L*a*b* 1.5");
    EXPECT_EQ(reread->GetInt("Other", "Observer", 7), 7) << "sections are separate";
}

TEST(SettingsProfileStore, SectionNamesWithSlashesStayOneSection) {
    QTemporaryDir dir;
    std::string file = (dir.path() + "/store.ini").toStdString();
    {
        auto store = MakeSettingsProfileStore(file);
        store->WriteInt("Model X-200/B", "Observer", 5);
        store->WriteInt("Model X-200", "Observer", 6);
        store->WriteInt("", "Observer", 7);
    }
    auto reread = MakeSettingsProfileStore(file);
    EXPECT_EQ(reread->GetInt("Model X-200/B", "Observer", 0), 5);
    EXPECT_EQ(reread->GetInt("Model X-200", "Observer", 0), 6);
    EXPECT_EQ(reread->GetInt("", "Observer", 0), 7);
    EXPECT_EQ(reread->GetInt("Model X-200", "B/Observer", -9), -9);
}

}  // namespace
