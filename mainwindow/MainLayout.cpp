#include "mainwindow/MainLayout.h"

#include <cmath>

namespace mainwindow {

namespace {

void markShown(SplitterState& state) {
    state.hideCaption = QStringLiteral("3");
    state.sectionChecked = true;
    if (state.savedButtonColour) state.buttonColour = *state.savedButtonColour;
}

}  // namespace

std::optional<LayoutResult> ComputeMainLayout(const LayoutInput& input, SplitterState& state) {
    if (input.minimized || !input.visible) return std::nullopt;
    LayoutInput in = input;
    LayoutResult out;
    if (in.width < 3000) {
        out.widenTo = 3000;
        in.innerWidth += 3000 - in.width;
        in.width = 3000;
    }

    double p = 0;
    const double request = in.splitPos;
    if (request == 0) {
        if (state.savedPosition == 0) state.savedPosition = in.splitterLeft;
        state.hideCaption = QStringLiteral("4");
        state.sectionChecked = false;
        if (!state.savedButtonColour) state.savedButtonColour = state.buttonColour;
        state.buttonColour = kHiddenSectionColour;
    } else if (request == -1) {
        p = state.savedPosition;
        state.savedPosition = 0;
        markShown(state);
    } else if (request <= 500) {
        if (state.hideCaption != QLatin1String("4")) {
            LayoutInput hide = input;
            hide.splitPos = 0;
            return ComputeMainLayout(hide, state);
        }
        p = state.savedPosition;
        markShown(state);
    } else {
        p = request < 1500 ? 1500 : request;
        markShown(state);
    }
    if (p > in.width - 1000) p = in.width - 1000;

    // Across.
    out.splitter = p;
    out.treeWidth = p == 0 ? 0 : p - in.treeLeft;
    out.gridLeft = p + in.splitterWidth;
    out.gridWidth = in.innerWidth - (out.treeWidth + 220);
    out.title0Width = out.treeWidth;
    out.hideButtonLeft = out.gridLeft + 20;
    out.title1Left = out.hideButtonLeft + in.hideButtonWidth + 10;
    const double w = out.gridWidth - 30 - in.hideButtonWidth - (in.dateSelVisible ? in.dateSelWidth : 0);
    out.title1Width = w > 0 ? w : 0;
    out.dateSelLeft = out.title1Left + out.title1Width + 10;

    if (in.backgroundWidth) {
        if (in.gridVisible) {
            out.backgroundVisible = false;
        } else {
            const double free = std::trunc(in.innerWidth - (out.treeWidth + 220));
            out.backgroundLeft = free <= *in.backgroundWidth ? p + in.splitterWidth + in.pixel
                                                             : p + (free - *in.backgroundWidth) / 2;
            out.backgroundVisible = true;
        }
    }

    // Down.
    out.treeTop = in.titlesHeight + in.splitterWidth + (in.toolbarChecked ? in.toolbarHeight : 0);
    if (in.quickSearchHeight) {
        out.quickSearchLeft = out.gridLeft;
        out.quickSearchWidth = out.gridWidth;
        out.quickSearchTop = out.treeTop;
        out.gridTop = out.treeTop + *in.quickSearchHeight + 2 * in.pixel;
    } else {
        out.gridTop = out.treeTop;
    }
    out.gridSettingTop = out.gridTop;
    out.gridSettingLeft = out.gridLeft;
    out.treeHeight = in.innerHeight - (in.titlesTop + in.titlesHeight) - in.splitterWidth -
                     (in.statusBarChecked ? in.statusBarHeight : 0);
    out.gridHeight = out.treeHeight - (in.quickSearchHeight ? *in.quickSearchHeight : 0);
    out.movingSplitterTop = out.treeTop;
    out.splitterTop = out.treeTop;
    out.splitterHeight = out.treeHeight;
    return out;
}

double DragBarLeft(double splitterLeft, double x, double windowWidth) {
    const double at = splitterLeft + x;
    if (at < 500) return 500;
    if (at > windowWidth - 500) return windowWidth - 500;
    return at;
}

}  // namespace mainwindow
