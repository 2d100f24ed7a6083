// Key texts and the layout rules of the main window, as arithmetic.

#include "controls/KeyStrings.h"
#include "mainwindow/MainLayout.h"

#include <gtest/gtest.h>
#include <QKeyEvent>

using namespace controls;
using namespace mainwindow;

TEST(KeyCodeToKeyString, TextsAndCase) {
    struct Case {
        int code;
        bool shift, caps;
        const char* text;
        bool found;
    } cases[] = {
        {65, false, false, "a", true},
        {65, true, false, "A", true},
        {65, true, true, "a", true},
        {65, false, true, "A", true},
        {57, false, false, "9", true},
        {109, false, false, "-", true},
        {110, false, false, ".", true},
        {111, false, false, "/", true},
        {107, false, false, "+", true},
        {32, false, false, " ", true},
        {190, false, false, ".", true},
        {188, false, false, ",", true},
        {27, false, false, "{esc}", true},
        {27, true, false, "{ESC}", true},
        {8, false, false, "{backspace}", true},
        {96, false, false, "keep", false},
        {105, false, false, "keep", false},
    };
    for (const Case& c : cases) {
        QString text = QStringLiteral("keep");
        EXPECT_EQ(KeyCodeToKeyString(c.code, text, c.shift, c.caps), c.found) << c.code;
        EXPECT_EQ(text, QString::fromLatin1(c.text)) << c.code;
    }
    // A key without text is still case-folded.
    QString text = QStringLiteral("Abc");
    EXPECT_FALSE(KeyCodeToKeyString(200, text, true, false));
    EXPECT_EQ(text, "ABC");
}

TEST(KeyCodeToKeyString, KeyEventsGiveTheirVirtualCodes) {
    const QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, "+");
    EXPECT_EQ(VirtualKeyCode(plus), 107);
    const QKeyEvent pad7(QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier, "7");
    EXPECT_EQ(VirtualKeyCode(pad7), 103);
    QString text;
    EXPECT_FALSE(KeyCodeToKeyString(pad7, text));  // keypad digits have no text
    const QKeyEvent r(QEvent::KeyPress, Qt::Key_R, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(VirtualKeyCode(r), 82);
    EXPECT_EQ(ShiftState(r), 7);
    // Caps Lock read back from the typed text: "R" without Shift.
    const QKeyEvent capsR(QEvent::KeyPress, Qt::Key_R, Qt::NoModifier, "R");
    EXPECT_TRUE(KeyCodeToKeyString(capsR, text));
    EXPECT_EQ(text, "R");
}

namespace {

LayoutInput window() {
    LayoutInput in;
    in.width = 12000;
    in.innerWidth = 11800;
    in.innerHeight = 8000;
    in.splitterWidth = 75;
    in.hideButtonWidth = 360;
    in.titlesHeight = 360;
    in.quickSearchHeight = 450;
    return in;
}

LayoutResult layout(double request, SplitterState& state, LayoutInput in = window()) {
    in.splitPos = request;
    auto r = ComputeMainLayout(in, state);
    EXPECT_TRUE(r.has_value());
    return r.value_or(LayoutResult{});
}

}  // namespace

TEST(ArrangeMainWindow, SplitterRequests) {
    SplitterState s;
    EXPECT_EQ(layout(700, s).splitter, 1500);  // released at 700: the minimum
    EXPECT_EQ(layout(4000, s).splitter, 4000);
    EXPECT_EQ(layout(20000, s).splitter, 11000);  // width - 1000

    LayoutInput at4000 = window();
    at4000.splitterLeft = 4000;
    const LayoutResult hidden = layout(450, s, at4000);  // at the left limit while shown: hides
    EXPECT_EQ(hidden.splitter, 0);
    EXPECT_EQ(hidden.treeWidth, 0);
    EXPECT_EQ(s.hideCaption, "4");
    EXPECT_FALSE(s.sectionChecked);
    EXPECT_EQ(s.buttonColour, kHiddenSectionColour);

    LayoutInput at0 = window();
    at0.splitterLeft = 0;
    layout(0, s, at0);  // hiding again keeps the first position
    EXPECT_EQ(s.savedPosition, 4000);
    EXPECT_EQ(layout(300, s, at0).splitter, 4000);  // a low request while hidden shows it there, kept
    EXPECT_EQ(s.savedPosition, 4000);
    EXPECT_EQ(s.hideCaption, "3");

    layout(0, s, at4000);
    const LayoutResult shown = layout(-1, s, at0);
    EXPECT_EQ(shown.splitter, 4000);
    EXPECT_EQ(s.savedPosition, 0);
    EXPECT_TRUE(s.sectionChecked);
    EXPECT_FALSE(s.buttonColour.isValid());  // the colour before the first hide
}

TEST(ArrangeMainWindow, PlacesEveryPart) {
    SplitterState s;
    LayoutInput in = window();
    in.treeLeft = 0;
    const LayoutResult r = layout(3000, s, in);
    EXPECT_EQ(r.treeWidth, 3000);
    EXPECT_EQ(r.gridLeft, 3075);
    EXPECT_EQ(r.gridWidth, 11800 - 3220);
    EXPECT_EQ(r.title1Left, 3075 + 20 + 360 + 10);
    EXPECT_EQ(r.title1Width, r.gridWidth - 30 - 360);  // no period button
    EXPECT_EQ(r.dateSelLeft, r.title1Left + r.title1Width + 10);
    EXPECT_EQ(r.treeTop, 360 + 75);
    EXPECT_EQ(r.quickSearchTop, r.treeTop);
    EXPECT_EQ(r.gridTop, r.treeTop + 450 + 2 * 15);
    EXPECT_EQ(r.treeHeight, 8000 - 360 - 75);
    EXPECT_EQ(r.gridHeight, r.treeHeight - 450);

    // Toolbar and status bar count only while their menu items are checked.
    in.toolbarHeight = 420;
    in.statusBarHeight = 300;
    EXPECT_EQ(layout(3000, s, in).treeTop, 435);
    in.toolbarChecked = in.statusBarChecked = true;
    const LayoutResult bars = layout(3000, s, in);
    EXPECT_EQ(bars.treeTop, 435 + 420);
    EXPECT_EQ(bars.treeHeight, 8000 - 435 - 300);

    // A grid too narrow for the title: width 0, period button 10 after its left.
    in.innerWidth = 3300;
    const LayoutResult narrow = layout(3000, s, in);
    EXPECT_EQ(narrow.title1Width, 0);
    EXPECT_EQ(narrow.dateSelLeft, narrow.title1Left + 10);
}

TEST(ArrangeMainWindow, BackgroundNarrowWindowAndHiddenWindow) {
    SplitterState s;
    LayoutInput in = window();
    in.gridVisible = false;
    in.backgroundWidth = 20000;  // wider than the free area: one pixel after the splitter
    EXPECT_EQ(*layout(3000, s, in).backgroundLeft, 3000 + 75 + 15);
    in.backgroundWidth = 4000;  // narrower: centred in the free area
    EXPECT_EQ(*layout(3000, s, in).backgroundLeft, 3000 + (8580 - 4000) / 2);
    in.gridVisible = true;
    EXPECT_FALSE(layout(3000, s, in).backgroundVisible);

    in.width = 2000;
    EXPECT_EQ(*layout(3000, s, in).widenTo, 3000);

    in.minimized = true;
    SplitterState untouched;
    in.splitPos = 0;
    EXPECT_FALSE(ComputeMainLayout(in, untouched).has_value());
    EXPECT_EQ(untouched.hideCaption, "3");
    EXPECT_EQ(DragBarLeft(1000, -800, 12000), 500);
    EXPECT_EQ(DragBarLeft(1000, 20000, 12000), 11500);
    EXPECT_EQ(DragBarLeft(1000, 200, 12000), 1200);
}
