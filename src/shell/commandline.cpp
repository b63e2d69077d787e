#include "shell/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace kesterly {

namespace {

// The options every Qt program takes (QGuiApplication's, QApplication's and those of the
// X11 platform), taken here only so that they are not unknown; Qt reads them itself when
// the application is made.
QList<QCommandLineOption> qtOptions() {
    const QStringList withValue = {
        QStringLiteral("platform"),      QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"),
        QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"),   QStringLiteral("qwindowtitle"),
        QStringLiteral("session"),       QStringLiteral("display"),
        QStringLiteral("geometry"),      QStringLiteral("style"),
        QStringLiteral("stylesheet"),    QStringLiteral("name"),
        QStringLiteral("title"),
    };
    const QStringList flags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                               QStringLiteral("sync")};
    QList<QCommandLineOption> options;
    for (const QString& name : withValue) {
        QCommandLineOption option(name, QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        options << option;
    }
    for (const QString& name : flags) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        options << option;
    }
    return options;
}

QString programName(const QStringList& arguments) {
    const QString name = arguments.isEmpty() ? QString() : arguments.first();
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    return name.isEmpty() ? QStringLiteral("kesterly") : name.mid(slash + 1);
}

} // namespace

CommandLineAnswer answerCommandLine(const QStringList& arguments, QTextStream& out,
                                    QTextStream& err) {
    QCommandLineParser parser;
    // Qt's own options are written with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine", "Kesterly keeps a personal accounts book: income and expense entries "
                       "against a running balance, reminders and interest."));
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help")},
        QCoreApplication::translate("CommandLine", "Show this help and end."));
    const QCommandLineOption version(
        {QStringLiteral("v"), QStringLiteral("version")},
        QCoreApplication::translate("CommandLine", "Show the program's version and end."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOptions(qtOptions());

    const QString program = programName(arguments);
    if (!parser.parse(arguments)) {
        err << program << ": " << parser.errorText() << '\n'
            << QCoreApplication::translate("CommandLine", "Try \"%1 --help\".").arg(program)
            << '\n';
        err.flush();
        return {2};
    }
    if (parser.isSet(help)) {
        // Without an application object the parser cannot name the program in its usage
        // line; it is named as it was started.
        QString text = parser.helpText();
        const qsizetype usageEnd = text.indexOf(QLatin1Char('\n'));
        text.replace(0, usageEnd, QStringLiteral("Usage: %1 [options]").arg(program));
        out << text;
        out.flush();
        return {0};
    }
    if (parser.isSet(version)) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
            << '\n';
        out.flush();
        return {0};
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << program << ": "
            << QCoreApplication::translate("CommandLine",
                                           "Unexpected argument \"%1\": Kesterly takes no "
                                           "file names; open an account from its Account menu.")
                   .arg(parser.positionalArguments().first())
            << '\n'
            << QCoreApplication::translate("CommandLine", "Try \"%1 --help\".").arg(program)
            << '\n';
        err.flush();
        return {2};
    }
    return {};
}

QStringList argumentList(int argc, char* argv[]) {
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return arguments;
}

} // namespace kesterly
