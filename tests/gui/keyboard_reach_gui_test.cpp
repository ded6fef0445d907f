#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSet>
#include <QTest>

#include "app/shell/menu_mnemonics.h"
#include "brenlow/codec.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

using KeyboardReachGuiTest = WorkbenchTest;

TEST_F(KeyboardReachGuiTest, CompressKeepsItsCaptionAndAltCOpensIt) {
    EXPECT_EQ(form->Compress1->menuAction()->text(), "Compress");
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return form->Compress1->isVisible(); }, 2000));
    form->Compress1->close();
}

TEST_F(KeyboardReachGuiTest, EveryAnchorCodecEntryHasAMnemonicOfItsOwnAndKeepsItsTitle) {
    QSet<QChar> used;
    QStringList titles;
    for (const QAction* action : form->AnchorCodec1->actions()) {
        if (action->isSeparator() || !action->isVisible()) continue;
        SCOPED_TRACE(action->text().toStdString());
        const QChar mnemonic = mnemonicOf(action->text());
        EXPECT_FALSE(mnemonic.isNull());
        EXPECT_FALSE(used.contains(mnemonic)) << "used twice in the menu";
        used.insert(mnemonic);
        titles << QString(action->text()).remove(QLatin1Char('&'));
    }
    for (const QAction* entry : form->AnchorCodecEntries)
        EXPECT_TRUE(titles.contains(QString::fromStdString(codecEntryNamed(entry->data().toString().toStdString())->title)));
    EXPECT_GE(used.size(), form->AnchorCodecEntries.size() + 1) << "the codecs, Settings and Load";
    EXPECT_FALSE(mnemonicOf(form->AnchorCodec1->menuAction()->text()).isNull()) << "the submenu is reached by a letter";
}

TEST(MenuMnemonicsTest, WordStartsComeFirstAndNoLetterIsUsedTwice) {
    EXPECT_EQ(withMnemonics({"WebP", "AVIF", "JPEG XL", "JPEG 2000", "Settings..."}, "d"),
              QStringList({"&WebP", "&AVIF", "&JPEG XL", "JPEG &2000", "&Settings..."}));
    // Past the word starts any free letter serves; a caption's own "&" stays a character.
    EXPECT_EQ(withMnemonics({"ab", "ab", "ab", "R&D"}), QStringList({"&ab", "a&b", "ab", "&R&&D"}));
    EXPECT_EQ(mnemonicOf("&R&&D"), QChar('r'));
    EXPECT_EQ(mnemonicOf("R&&D"), QChar());
}

}  // namespace
}  // namespace brenlow::testing
