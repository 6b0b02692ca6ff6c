#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "tonel/tonel_fixture.h"
#include "ui/tonel_dialog.h"

namespace {

using tonel::TonelDialog;
using tonel_test::read_bytes;
using tonel_test::write_bytes;

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(TonelDialog, StartsAt44KHzSineWithoutLog) {
    TonelDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "TONEL");
    EXPECT_FALSE(dialog.rate22()->isChecked());
    EXPECT_FALSE(dialog.square()->isChecked());
    EXPECT_FALSE(dialog.logBox()->isChecked());
    EXPECT_EQ(dialog.inputLabel()->text(), "Input File (Go browse for one)");
    EXPECT_EQ(dialog.statusLabel()->text(), "-");
}

// Browse converts the chosen file at once with the dialog's choices and
// shows the result in the status line.
TEST(TonelDialog, BrowseConvertsTheChosenFileAndShowsTheStatus) {
    tonel_test::TempDir dir;
    const std::string good = dir.file("GAME.CPF");
    write_bytes(good, {0x01, 0x02, 0x03});  // 1 + 2 = 3: checksum good
    const std::string bad = dir.file("BAD.CPF");
    write_bytes(bad, {0x10, 0x20, 0x31});

    TonelDialog dialog;
    dialog.show();
    QString answer = QString::fromStdString(good);
    dialog.chooseFile = [&] { return answer; };
    dialog.rate22()->setChecked(true);
    dialog.square()->setChecked(true);
    dialog.logBox()->setChecked(true);
    QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);

    EXPECT_EQ(dialog.statusLabel()->text(), "Good");
    EXPECT_EQ(dialog.inputLabel()->text().toStdString(), good);
    const auto wav = read_bytes(dir.file("GAME_2Q.WAV"));
    ASSERT_GT(wav.size(), 46u);
    EXPECT_EQ(le32(wav, 24), 22050u);
    EXPECT_EQ(le32(wav, 28), 22050u);
    EXPECT_TRUE(std::filesystem::exists(dir.file("GAME_2Q_log.TXT")));

    answer = QString::fromStdString(bad);
    dialog.browse();
    EXPECT_EQ(dialog.statusLabel()->text(), "ERROR:  30 <> 31 checksum mismatch");

    // Cancelled, or a file that cannot be read: nothing changes.
    answer.clear();
    dialog.browse();
    answer = QString::fromStdString(dir.file("MISSING.CPF"));
    dialog.browse();
    EXPECT_EQ(dialog.inputLabel()->text().toStdString(), bad);
    EXPECT_EQ(dialog.statusLabel()->text(), "ERROR:  30 <> 31 checksum mismatch");
}

}  // namespace
