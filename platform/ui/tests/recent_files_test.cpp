// The recent-file list over the settings store, in the users' settings files
// as the programs have always written them.

#include "recent_files.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QSettings>

#include "qt_settings_store.h"
#include "test_files.h"

TEST(RecentFiles, KeepsTheLastFourNewestFirstInTheUsersSettingsFile) {
    test_files::TempDir dir("recent_files");
    const QString ini = QString::fromStdString((dir.path / "Plandor.conf").string());
    {
        // A list as a user's file holds it: a free place, a file since removed.
        QSettings old(ini, QSettings::IniFormat);
        old.setValue("Recent File List/File1", "/plans/b.cmg");
        old.setValue("Recent File List/File2", "");
        old.setValue("Recent File List/File3", "/plans/disparu.cmg");
        old.setValue("Recent File List/File4", "/plans/c.cmg");
    }
    const auto store = platform::make_file_settings(ini.toStdString());
    platform::RecentFiles recent(store.get());
    EXPECT_EQ(recent.files(), QStringList({"/plans/b.cmg", "/plans/disparu.cmg", "/plans/c.cmg"}));

    for (const char* path : {"/plans/d.cmg", "/plans/e.cmg", "/plans/b.cmg"}) {
        recent.add(path);
    }
    const QStringList expected = {"/plans/b.cmg", "/plans/e.cmg", "/plans/d.cmg",
                                  "/plans/disparu.cmg"};
    EXPECT_EQ(recent.files(), expected) << "a reopened file goes first, once; four at most";

    // Another window of the program reads what this one wrote and adds to it.
    const auto second = platform::make_file_settings(ini.toStdString());
    platform::RecentFiles other(second.get());
    EXPECT_EQ(other.files(), expected);
    other.add("/plans/f.cmg");
    recent.add("/plans/e.cmg");
    EXPECT_EQ(recent.files(),
              QStringList({"/plans/e.cmg", "/plans/f.cmg", "/plans/b.cmg", "/plans/d.cmg"}));
    EXPECT_EQ(test_files::read_bytes(dir.path / "Plandor.conf"),
              "[Recent%20File%20List]\nFile1=/plans/e.cmg\nFile2=/plans/f.cmg\n"
              "File3=/plans/b.cmg\nFile4=/plans/d.cmg\n");

    // The menu: one entry per file, the rest hidden.
    platform::MemorySettingsStore memory;
    platform::RecentFiles menu(&memory);
    menu.add("/plans/a.cmg");
    menu.add("/autre/x.cmg");
    std::vector<QAction*> actions;
    for (int i = 0; i < platform::RecentFiles::kCount; ++i) {
        actions.push_back(new QAction(QString("ancien")));
    }
    menu.show_in(actions);
    EXPECT_EQ(actions[0]->text(), "&1 x.cmg");
    EXPECT_EQ(actions[0]->data().toString(), "/autre/x.cmg");
    EXPECT_EQ(actions[1]->text(), "&2 a.cmg");
    EXPECT_TRUE(actions[1]->isVisible());
    EXPECT_FALSE(actions[2]->isVisible());
    EXPECT_FALSE(actions[3]->isVisible());
    qDeleteAll(actions);
}
