#pragma once
// The engine's page: every navigation is handed to the main window's before-navigate
// handler, with the URL in the form the shell sees.
#include <QWebEnginePage>

class TForm1;

class QumoWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    QumoWebPage(TForm1 *form, QObject *parent);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    TForm1 *form_;
};
