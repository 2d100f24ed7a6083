#pragma once
// The layout of the main window's working area from one number, the
// horizontal position of the splitter between the section (the navigation
// tree) and the data grid: the rules are kept here as arithmetic in twips,
// apart from the widgets, so that the main window and its tests share them.
//
// The splitter position requested decides the section's state: 0 hides it
// (remembering where the splitter stood, unless a position is already
// remembered), -1 shows it again at the remembered position (and forgets
// it), a request at or below 500 hides a shown section and shows a hidden
// one at the remembered position (kept), a request between 500 and 1500
// becomes 1500, and nothing goes beyond the window's width - 1000.

#include <QColor>
#include <QString>
#include <optional>

namespace mainwindow {

// What the layout keeps between calls.
struct SplitterState {
    double savedPosition = 0;                   // where the splitter stood when the section was hidden
    std::optional<QColor> savedButtonColour;    // the hide button's colour before the first hide
    QString hideCaption = QStringLiteral("3");  // "3" section shown, "4" hidden
    bool sectionChecked = true;                 // the "&Sezione" menu item
    QColor buttonColour;                        // the hide button's background now (invalid: the style's own)
};

// The pale yellow of the hide button while the section is hidden.
inline const QColor kHiddenSectionColour = QColor(0xFF, 0xFF, 0xC0);

struct LayoutInput {
    double splitPos = 0;  // the requested splitter position (0 hide, -1 show)
    bool visible = true;
    bool minimized = false;
    double width = 0;       // the window's width
    double innerWidth = 0;  // the working area's width and height
    double innerHeight = 0;
    double treeLeft = 0;
    double splitterLeft = 0;    // the splitter's current left
    double splitterWidth = 75;  // also the layout's standard gap
    double hideButtonWidth = 0;
    bool dateSelVisible = false;
    double dateSelWidth = 0;
    double titlesTop = 0;  // the title strip
    double titlesHeight = 0;
    bool toolbarChecked = false;
    double toolbarHeight = 0;
    bool statusBarChecked = false;
    double statusBarHeight = 0;
    bool gridVisible = true;
    std::optional<double> backgroundWidth;    // a background picture, and its width
    std::optional<double> quickSearchHeight;  // a quick search, and its height
    double pixel = 15;                        // twips per pixel
};

struct LayoutResult {
    std::optional<double> widenTo;  // the window is widened to this width first
    double splitter = 0;            // P, the splitter's left
    double treeWidth = 0;
    double gridLeft = 0, gridWidth = 0, gridTop = 0, gridHeight = 0;
    double title0Width = 0;
    double hideButtonLeft = 0;
    double title1Left = 0, title1Width = 0;
    double dateSelLeft = 0;
    bool backgroundVisible = false;
    std::optional<double> backgroundLeft;  // changed only when shown
    double treeTop = 0, treeHeight = 0;
    double quickSearchLeft = 0, quickSearchWidth = 0, quickSearchTop = 0;
    double gridSettingLeft = 0, gridSettingTop = 0;
    double splitterTop = 0, splitterHeight = 0, movingSplitterTop = 0;
};

// The layout for a request; nothing (and no change of state) for a window
// that is minimised or not visible.
std::optional<LayoutResult> ComputeMainLayout(const LayoutInput& in, SplitterState& state);

// Where the bar that follows a splitter drag stands for a mouse at x (in the
// splitter's coordinates): between 500 and the window's width - 500.
double DragBarLeft(double splitterLeft, double x, double windowWidth);

}  // namespace mainwindow
