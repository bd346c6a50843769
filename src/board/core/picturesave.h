#pragma once
// Saving a captured picture: the extension of the name decides the format.
#include <QImage>
#include <QString>

// ".bmp" writes a 24-bit BMP, ".jpg"/".jpeg" a JPEG at quality 100 (any letter case);
// any other extension writes nothing and is no error. False with a readable message
// (file name and reason) when the file cannot be written.
bool savePictureFile(const QImage &bitmap, const QString &winPath, QString *error);
