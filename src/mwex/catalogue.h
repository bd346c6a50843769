#pragma once
// Thumbnail catalogues of the Logo program's picture folders: "index.txt" naming the
// pictures and "thumb.bmp", a sheet of 50 x 36 thumbnails with captions, three to a row.
// These functions work without a window; TForm1::MWSHAPE and MakeShape drive them.
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>

namespace catalogue {

// The catalogued folders, in the order they are visited, relative to the MWEX folder.
extern const std::array<QString, 5> Folders;

constexpr int ThumbWidth = 50, ThumbHeight = 36;
constexpr int Pitch = 70; // column and row pitch
constexpr int PerRow = 3;
// All three columns are visible: right edge of the third cell (206) plus the left margin.
constexpr int SheetWidth = 222;

// The pictures of a folder (Windows path): ordinary, not hidden, files directly in it named
// *.jpeg, *.jpg or *.bmp in any case, as bare names sorted by name ignoring case.
QStringList pictureList(const QString& folder);

// The names joined by single spaces ("" for none).
QString indexText(const QStringList& names);

// The index file (Windows path) is an ordinary file that names exactly these pictures, in
// this order, in whatever encoding the text store wrote it.
bool indexMatches(const QString& indexPath, const QStringList& names);

// (N - 1) div 3 * 70 + 140, with div truncating toward zero (so 0 pictures give 140).
int sheetHeight(int count);

// Boxes of picture number i (from 0).
QRect pictureBox(int i);
QRect captionBox(int i);

// A picture scaled to 50 x 36 with the bilinear resize (JPEG for .jpeg and .jpg, BMP for
// .bmp, by the lower-cased extension): the same bytes as resizing the whole decoded picture,
// though of a JPEG only the pixels the resize reads are made from its coefficients. Null with a message when it
// cannot be decoded, is no ordinary file or is too large to read. Safe on any thread.
QImage thumbnail(const QString& path, QString* error);

// The whole catalogue of a folder, built in memory; the pictures are decoded on `threads`
// threads (0: one per core), the same sheet whatever the number.
struct Sheet {
    QStringList names;  // the pictures, in list order
    QString index;      // the text of "index.txt"
    QImage image;       // the sheet, 24 bits, white, SheetWidth x sheetHeight(N)
    QStringList failed; // pictures that could not be decoded (drawn as a blank cell)
};
Sheet build(const QString& folder, const QStringList& names, int threads = 0);

// Draws one cell: the thumbnail (or nothing) and the caption, the file name without its
// extension in the user-interface font at 6 points, clipped to its box on white.
void drawCell(QImage& sheet, int i, const QImage& thumb, const QString& name);

} // namespace catalogue
