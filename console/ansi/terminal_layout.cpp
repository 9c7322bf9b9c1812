// Where the picture goes on the terminal, and how wide each of its cells is.
#include "console/ansi/terminal_output.h"

namespace fg {

namespace {

// Cells at least this tall for their width (in tenths) are drawn two wide:
// two cells of a common 1:2 terminal make one square picture cell.
constexpr int TALL_CELL_TENTHS = 15;

bool CellsAreTall(const TerminalOutputState& state) {
    if (state.cellWidthPx <= 0 || state.cellHeightPx <= 0) return true;  // most terminals' cells are 1:2
    return state.cellHeightPx * 10 >= state.cellWidthPx * TALL_CELL_TENTHS;
}

int Centred(int space, int used) { return space > used ? (space - used) / 2 : 0; }

}  // namespace

void ArrangeTerminalPicture(TerminalOutputState& state) {
    const int wide = SCREEN_WIDTH * TERMINAL_CELLS_PER_CELL_MAX;
    const int cellsPerCell = CellsAreTall(state) && state.columns >= wide ? TERMINAL_CELLS_PER_CELL_MAX : 1;
    const int width = SCREEN_WIDTH * cellsPerCell;
    // Only a terminal that shows the whole picture has a row for the keys.
    const bool keyLine = state.columns >= width && state.rows > SCREEN_HEIGHT &&
                         state.columns >= static_cast<int>(sizeof KEY_LINE - 1);
    char notice[128];
    const bool shapeLine = keyLine && state.rows > SCREEN_HEIGHT + 1 && CellsAreTall(state) &&
                           ShapeNotice(state.columns, wide, notice) > 0;
    // A terminal too small for the picture shows its top-left part.
    const bool fits = state.columns >= width && state.rows >= SCREEN_HEIGHT;
    const int below = (keyLine ? 1 : 0) + (shapeLine ? 1 : 0);
    const int left = fits ? Centred(state.columns, width) : 0;
    const int top = fits ? Centred(state.rows, SCREEN_HEIGHT + below) : 0;
    if (cellsPerCell != state.cellsPerCell || left != state.left || top != state.top ||
        keyLine != state.keyLine || shapeLine != state.shapeLine) {
        state.cellsPerCell = cellsPerCell;
        state.left = left;
        state.top = top;
        state.keyLine = keyLine;
        state.shapeLine = shapeLine;
        ForgetTerminalScreen(state);
    }
}

}  // namespace fg
