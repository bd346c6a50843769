// The link command protocol: links whose URL is a command.
#include "app/MAIN.h"

#include <QLineEdit>

void TForm1::WebBrowser1BeforeNavigate2(const QString &URL, bool &Cancel) {
    // Ordinary pages load; the URL field follows them.
    Cancel = false;
    Edit2->setText(URL);
}
