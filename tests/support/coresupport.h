#pragma once
// Test helpers for the suites of the pure core: files in temp folders, path and code-page
// conversions, and a test main without widgets or a browser engine.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace testsupport {

// Windows form of a host path ("/tmp/x" -> "Z:\tmp\x").
QString win(const QString &hostPath);
// Writes bytes to a host path, creating parent folders.
void writeFile(const QString &hostPath, const QByteArray &bytes);
QByteArray readFile(const QString &hostPath);
// CP932 bytes of a text.
QByteArray sjis(const QString &text);
// A 24-bit picture whose every pixel is different: red = x, green = y, blue = 77.
QImage uniquePixels(int w, int h);
// A frozen screen for the board: none of its pixels is a chalk colour, silver or cream.
QImage frozenScreen(QSize size);

} // namespace testsupport

// The core's units need no window: their suites run under a plain application object, so
// that nothing of the window system or the browser engine is loaded.
#define QUMO_CORE_TEST_MAIN(TestObject) QTEST_GUILESS_MAIN(TestObject)
