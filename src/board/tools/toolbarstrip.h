#pragma once
// The toolbar strip at the board's right edge: the chalk layer ignores every pointer event
// over it, so this first of the tools ends such an event for the rest.
#include "board/tools/boardtool.h"

#include <functional>

namespace board {

class ToolbarStrip : public BoardTool {
public:
    // `left`: the strip's first column, in board coordinates (it moves with the screen).
    explicit ToolbarStrip(std::function<int()> left) : left_(std::move(left)) {}
    Next press(const Pointer &p) override { return over(p); }
    Next move(const Pointer &p) override { return over(p); }
    Next release(const Pointer &p) override { return over(p); }

private:
    Next over(const Pointer &p) const { return p.at.x() > left_() ? Next::Stop : Next::Continue; }
    std::function<int()> left_;
};

} // namespace board
