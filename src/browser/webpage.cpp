#include "browser/webpage.h"
#include "app/MAIN.h"
#include "platform/paths.h"

QumoWebPage::QumoWebPage(TForm1 *form, QObject *parent) : QWebEnginePage(parent), form_(form) {}

bool QumoWebPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool) {
    bool cancel = false;
    form_->WebBrowser1BeforeNavigate2(platform::urlFromEngine(url), cancel);
    return !cancel;
}
