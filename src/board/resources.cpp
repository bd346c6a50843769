// Registers the board's pictures kept in the library's Qt resource file.
#include "board/resources.h"

#include <QtGlobal>

static void initBoardResources() {
    Q_INIT_RESOURCE(board);
}

namespace board {
void initResources() {
    static const bool done = (initBoardResources(), true);
    Q_UNUSED(done);
}
} // namespace board
