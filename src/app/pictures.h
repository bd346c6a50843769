#pragma once
// The pictures of the windows: vector art kept as Qt resources inside the library.
#include <QIcon>

// Registers the pictures; safe to call more than once.
void initPictures();
// The picture `name` (":/icons/<name>.svg"), crisp at any size.
QIcon picture(const char *name);
