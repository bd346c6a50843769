#pragma once
// Chalk and pens: the pen buttons' rows (what a click sets: width factor, key colour, chalk
// colour), applied in one place, and the freehand chalk drawn by the pointer.
#include "board/tools/boardtool.h"

#include <functional>
#include <optional>

class QFrame;
class TImage;
class TSpinEdit;

namespace board {

class KeyColour;
class UndoTool;

// The chalk's width when the board opens (the "線の太さ" field).
inline constexpr int kChalkWidth = 5;
// The widest chalk line drawn, far beyond any screen.
inline constexpr qint64 kMaxPenWidth = 16384;
// The pen after a pen button, and the width of the stroke that sets the key colour's corner.
inline constexpr qint32 kKeyPenWidth = 6;

// How a pen button treats the key colour's corner.
enum class KeyStroke {
    Keep,      // no corner stroke: the key stays as it is
    Silver,    // the corner in silver first, the normal key
    PenColour, // the corner in the current chalk colour, which becomes the key
};

// What a pen button sets. Every row also sets the pen and the corner stroke 6 pixels wide
// and shows the chalk colour on the colour panel.
struct PenRow {
    qint32 kesu;                // KESU afterwards; 0 keeps it
    bool stamps;                // with a cut-out on the board the click only stamps it
    KeyStroke key;
    std::optional<QRgb> colour; // the new chalk colour; none keeps it
};

namespace pens {
inline constexpr PenRow Red{1, true, KeyStroke::Silver, board::Red};
// Blue neither resets the width factor nor repaints the corner.
inline constexpr PenRow Blue{0, true, KeyStroke::Keep, board::Blue};
inline constexpr PenRow Yellow{1, true, KeyStroke::Silver, board::Yellow};
inline constexpr PenRow White{1, true, KeyStroke::Silver, board::White};
inline constexpr PenRow Black{1, true, KeyStroke::Silver, board::Black};
// Hides the current colour: its strokes show the frozen screen instead.
inline constexpr PenRow SeeThrough{1, true, KeyStroke::PenColour, std::nullopt};
// The pen of a freshly shown board.
inline constexpr PenRow Fresh{1, false, KeyStroke::Silver, board::Red};
} // namespace pens

class PenTool : public BoardTool {
public:
    // `stampCutOut` stamps a cut-out into the board and tells whether there was one.
    PenTool(BoardState &state, TImage &chalk, QFrame &colourPanel, TSpinEdit &thickness,
            KeyColour &key, UndoTool &undo, std::function<bool()> stampCutOut);

    // A pen button's click: the one place the pen is reset.
    void choose(const PenRow &row);
    // A chalk line from the pen's place to `to`, with the pen as it is.
    void drawLine(QPoint to);

    void activate() override { apply(pens::Fresh); }
    Next press(const Pointer &) override;
    Next move(const Pointer &p) override;

private:
    void apply(const PenRow &row);
    void showColour();

    BoardState &s_;
    TImage &chalk_;
    QFrame &colourPanel_;
    TSpinEdit &thickness_;
    KeyColour &key_;
    UndoTool &undo_;
    std::function<bool()> stampCutOut_;
};

} // namespace board
