// Setting the chalk layer's key colour by painting its bottom-left corner.
#include "board/tools/keycolour.h"
#include "board/timage.h"
#include "board/tools/undo.h"

namespace board {

void KeyColour::paint() {
    constexpr int kReach = 6; // either side of the corner
    const int H = chalk_.Picture().height();
    s_.Pen.width = s_.CSPENS;
    s_.Pen.moveTo(QPoint(-kReach, H));
    undo_.touch(s_.Pen.reach(chalk_.Picture(), QPoint(kReach, H)));
    undo_.drawn(s_.Pen.lineTo(chalk_.Bitmap(), QPoint(kReach, H)));
}

} // namespace board
