#include <QAction>
#include <QLabel>
#include <QScrollArea>

#include "app/workbench_settings.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

class FittedPicturesGuiTest : public WorkbenchTest {
protected:
    FittedPicturesGuiTest() { form->resize(400, 300); }

    static QSize roomOf(const TMDIChild& document) {
        return qobject_cast<const QScrollArea*>(document.widget())->maximumViewportSize();
    }
};

TEST_F(FittedPicturesGuiTest, APictureLargerThanItsWindowOpensFittedWithItsZoomShown) {
    ASSERT_TRUE(form->WindowFitLarge1->isChecked()) << "fitting is the default";
    openPicture(patternBitmap(900, 700), "large.bmp");
    const TMDIChild* large = lastDocument();
    EXPECT_LT(large->zoom(), 1.0);
    const QSize room = roomOf(*large);
    EXPECT_LE(large->Image1->width(), room.width());
    EXPECT_LE(large->Image1->height(), room.height());
    EXPECT_TRUE(large->Image1->width() >= room.width() - 1 || large->Image1->height() >= room.height() - 1)
        << "fitted, not merely reduced";
    EXPECT_EQ(large->bitmap().size(), QSize(900, 700)) << "the view is scaled, never the bitmap";
    EXPECT_EQ(form->ZoomText->text(), QStringLiteral("Zoom %1%").arg(qRound(large->zoom() * 100)));

    openPicture(patternBitmap(60, 40), "small.bmp");
    EXPECT_EQ(lastDocument()->zoom(), 1.0) << "a picture that fits opens at 1:1";
}

TEST_F(FittedPicturesGuiTest, UntickedTheLargePictureOpensAt1To1AndTheChoiceIsRemembered) {
    form->WindowFitLarge1->setChecked(false);
    EXPECT_FALSE(fitsLargePictures());
    openPicture(patternBitmap(900, 700), "large.bmp");
    EXPECT_EQ(lastDocument()->zoom(), 1.0);
    EXPECT_EQ(lastDocument()->Image1->size(), QSize(900, 700));
    form->WindowFitLarge1->setChecked(true);
    EXPECT_TRUE(fitsLargePictures());
}

}  // namespace
}  // namespace brenlow::testing
