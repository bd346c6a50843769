// The page-navigation buttons, the URL field and the URL clip.
#include "app/MAIN.h"

#include <QLineEdit>

void TForm1::SpeedButton1Click() { Navigate(v_.SYOKIURL); }
void TForm1::SpeedButton2Click() {}
void TForm1::SpeedButton3Click() {}
void TForm1::SpeedButton4Click() {}
void TForm1::SpeedButton5Click() {}
void TForm1::SpeedButton9MouseDown(QMouseEvent *) {}
void TForm1::SpeedButton9MouseUp(QMouseEvent *) {}
void TForm1::SpeedButton10Click() {}
void TForm1::SpeedButton11Click() { Navigate(Edit2->text()); }
void TForm1::WebBrowser1CommandStateChange(int, bool) {}
void TForm1::WebBrowser1DocumentComplete(const QString &URL) { Edit2->setText(URL); }
void TForm1::WebBrowser1NewWindow3(const QString &bstrUrl) { Edit2->setText(bstrUrl); }
