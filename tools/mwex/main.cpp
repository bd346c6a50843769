// A stand-in for the Logo program, used by the demo classroom and the tests.
//
// It takes the work's path as its argument, shows a top-level window titled with the
// work's file name, and appends one line per start to "mwex.log" beside itself:
//   <pid> TAB <working folder> TAB <argument count> TAB <argument 1> TAB <argument 2> ...
//
// "mwex.cfg" beside it, one "key=value" a line, makes it misbehave on purpose:
//   exit=1            exit at once without a window
//   exit_first=N      exit at once without a window on the first N starts (counted in
//                     "mwex.count" beside it)
//   delay=N           show the window only after N milliseconds
//   state=maximized   start maximized (or minimized)
//   size=W,H          the window's first size (default 400,300)
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTextStream>
#include <QTimer>

namespace {
QMap<QString, QString> readConfig(const QString &path) {
    QMap<QString, QString> cfg;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return cfg;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        const int eq = line.indexOf(u'=');
        if (eq > 0)
            cfg.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return cfg;
}

int bumpCounter(const QString &path) {
    QFile f(path);
    int n = 0;
    if (f.open(QIODevice::ReadOnly))
        n = f.readAll().trimmed().toInt();
    f.close();
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(QByteArray::number(n + 1));
    return n + 1;
}
} // namespace

int main(int argc, char **argv) {
    // Like the older programs it stands in for, it knows no desktop scale: its window takes
    // whatever physical size it is given, not only whole scaled pixels.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    const QString here = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
    const QStringList args = app.arguments().mid(1);

    QFile log(here + QStringLiteral("/mwex.log"));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        QStringList fields{QString::number(QCoreApplication::applicationPid()),
                           QDir::currentPath(), QString::number(args.size())};
        fields += args;
        log.write((fields.join(u'\t') + u'\n').toUtf8());
        log.close();
    }

    const auto cfg = readConfig(here + QStringLiteral("/mwex.cfg"));
    const int start = bumpCounter(here + QStringLiteral("/mwex.count"));
    if (cfg.value(QStringLiteral("exit")) == QLatin1String("1") ||
        start <= cfg.value(QStringLiteral("exit_first")).toInt())
        return 0;

    QString work = args.value(0);
    work.replace(u'\\', u'/');
    const QString title = work.isEmpty() ? QStringLiteral("Logo stand-in")
                                         : QFileInfo(work).fileName();
    QLabel window(QStringLiteral("Logo stand-in\n") + args.join(u'\n'));
    window.setWindowTitle(title);
    window.setAlignment(Qt::AlignCenter);
    const QStringList size = cfg.value(QStringLiteral("size"), QStringLiteral("400,300")).split(u',');
    window.resize(size.value(0).toInt() > 0 ? size.value(0).toInt() : 400,
                  size.value(1).toInt() > 0 ? size.value(1).toInt() : 300);
    const QString state = cfg.value(QStringLiteral("state"));
    auto showIt = [&] {
        if (state == QLatin1String("maximized"))
            window.showMaximized();
        else if (state == QLatin1String("minimized"))
            window.showMinimized();
        else
            window.show();
    };
    const int delay = cfg.value(QStringLiteral("delay")).toInt();
    if (delay > 0)
        QTimer::singleShot(delay, &window, showIt);
    else
        showIt();
    return app.exec();
}
