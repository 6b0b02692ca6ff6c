// The Script window on a running machine: naming a script by Browse,
// starting it with Go, following its status line to its end, and the menu
// item that opens and closes it.
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "automation/automation.h"
#include "automation/ui/script_window.h"
#include "machine/commands.h"
#include "window_fixture.h"

namespace trivo::test {
namespace {

QPushButton* button(QWidget& parent, const char* text) {
    for (QPushButton* b : parent.findChildren<QPushButton*>()) {
        if (b->text() == QString::fromLatin1(text)) return b;
    }
    ADD_FAILURE() << "no button " << text;
    return nullptr;
}

TEST_F(WindowTest, ScriptWindowRunsTheBrowsedScriptAndShowsItsStatusToTheEnd) {
    std::ofstream(scratch.path / "foo.ini", std::ios::binary) << "[FILES]\r\nscript=demo.txt\r\n";
    const std::filesystem::path script = scratch.path / "wait.txt";
    std::ofstream(script, std::ios::binary) << "WAIT 20\r\n# last line\r\n";
    start_window();

    window->runCommand(command_script_window);
    ui::ScriptWindow* w = window->scriptWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Script"));
    EXPECT_EQ(w->fileName()->text(), QStringLiteral("demo.txt"));
    EXPECT_EQ(w->status()->text(), QStringLiteral("None"));
    EXPECT_EQ(window->toolWindowCount(), 1);

    answer_next_modal([&](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(files, nullptr);
        EXPECT_EQ(files->defaultSuffix(), QStringLiteral("txt"));
        files->selectFile(QString::fromStdString(script.string()));
        QMetaObject::invokeMethod(files, "accept");
    });
    button(*w, "Browse")->click();
    EXPECT_EQ(w->fileName()->text().toStdString(), script.string());
    EXPECT_FALSE(machine->script.running);

    button(*w, "Go")->click();
    EXPECT_TRUE(machine->script.running);
    // The window follows the status line as frames run: the WAIT line first,
    // then the normal end.
    EXPECT_TRUE(wait_for([&] { return w->status()->text() == QStringLiteral("WAIT 20"); }));
    // Go while the script runs is refused: the script goes on where it was.
    button(*w, "Go")->click();
    EXPECT_EQ(w->status()->text(), QStringLiteral("WAIT 20"));
    EXPECT_TRUE(wait_for([&] { return w->status()->text() == QStringLiteral("End OK"); }));
    EXPECT_FALSE(machine->script.running);

    // The started script is remembered in the configuration file.
    std::ifstream in(scratch.path / "foo.ini", std::ios::binary);
    const std::string ini(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(ini.find("script=" + script.string()), std::string::npos) << ini;
}

TEST_F(WindowTest, ScriptWindowIsAToolWindowTheMenuItemOpensAndCloses) {
    start_window();
    window->runCommand(command_script_window);
    ASSERT_NE(window->scriptWindow(), nullptr);
    // A tool window keeps the program out of full screen.
    window->runCommand(command_full_screen);
    EXPECT_FALSE(window->display().full_screen);

    // An empty name starts nothing.
    window->scriptWindow()->fileName()->clear();
    button(*window->scriptWindow(), "Go")->click();
    EXPECT_FALSE(machine->script.running);

    window->runCommand(command_script_window);
    EXPECT_TRUE(wait_for([&] { return window->scriptWindow() == nullptr; }));
    EXPECT_EQ(window->toolWindowCount(), 0);

    // Closed by its own title bar, it can be opened again.
    window->runCommand(command_script_window);
    ASSERT_NE(window->scriptWindow(), nullptr);
    window->scriptWindow()->close();
    EXPECT_TRUE(wait_for([&] { return window->scriptWindow() == nullptr; }));
    EXPECT_EQ(window->toolWindowCount(), 0);
    window->runCommand(command_script_window);
    EXPECT_NE(window->scriptWindow(), nullptr);
}

}  // namespace
}  // namespace trivo::test
