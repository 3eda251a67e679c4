// Messages that name many files stay on the screen: a few paths of each
// list, the rest behind "Details", the OK button always reachable.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>

#include "ops/Outcome.h"
#include "ops/Reasons.h"
#include "support/ui/QtEnvironment.h"
#include "tags/WritePath.h"
#include "ui/MessageBox.h"

namespace {

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment("test_ui_MessageBoxTest"));

std::vector<std::string> Paths(int count, const std::string& name) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back("/media/stick/Musik/Sammlung/" + name + std::to_string(i) + ".mp3");
    return paths;
}

TEST(MessageBoxTest, AMessageOfManyFilesFitsOnTheScreen) {
    writepath::RecoveryReport recovery;
    recovery.Finished = Paths(300, "fertig");
    recovery.Pending = Paths(300, "weg");
    RunReport run;
    for (const auto& p : Paths(300, "gescheitert"))
        run.Add(p, SaveOutcome{FileOutcome::SaveFailed, writepath::Failure::Locked});
    // A path far longer than a line of the screen.
    run.Add("/" + std::string(400, 'x') + ".mp3", FileOutcome::NoSourceTag);
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {{"recovery", RecoveryText(recovery)}, {"end of a run", run.Text()}};
    const QString out = qEnvironmentVariable("TZ_SCREENSHOT_DIR");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString text = QString::fromStdString(c.text);
        const auto box = MakeMessageBox(text);
        box->show();
        QApplication::processEvents();
        EXPECT_LE(box->frameGeometry().height(), 900);
        EXPECT_LE(box->frameGeometry().width(), 1280);
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(box->rect().contains(QRect(ok->mapTo(box.get(), QPoint(0, 0)), ok->size())));
        // Every file is named behind Details, none is lost.
        EXPECT_EQ(box->detailedText(), text);
        EXPECT_TRUE(
            box->text().contains(QRegularExpression(QStringLiteral("\u2026 und 29\\d weitere"))));
        bool details = false;
        for (QAbstractButton* b : box->buttons())
            details = details || b->text() == "Details einblenden";
        EXPECT_TRUE(details);
        if (!out.isEmpty()) box->grab().save(out + "/message-" + QString(c.name).left(3) + ".png");
    }
}

// Short messages are shown as they are: the rule cuts only long lists.
TEST(MessageBoxTest, ShortMessagesStayWhole) {
    const QString lines[] = {
        QStringLiteral(
            "Die Datei \"/a.mp3\" konnte nicht gespeichert werden: keine Schreibberechtigung."),
        QStringLiteral("Folgende Dateien konnten nicht gespeichert werden:\n/a.mp3\n/b.mp3\n\n"
                       "Folgende Dateien haben kein ID3v2-Tag und bleiben unverändert:\n/c.mp3"),
    };
    for (const QString& text : lines) {
        const ShortMessage shown = ShortenMessage(text);
        EXPECT_EQ(shown.Shown, text);
        EXPECT_EQ(shown.Details, QString());
    }
}

}  // namespace
