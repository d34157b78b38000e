#include "CliSession.h"

#include "ConsolePlatform.h"
#include "DisplayText.h"
#include "IniFile.h"
#include "LinkTrace.h"
#include "ModuleConversation.h"
#include "PortNames.h"
#include "PortTable.h"
#include "SettingsStore.h"
#include "StopSignals.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>

namespace tavixat {

namespace {

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void printSettings(const ModuleSettings& s, SessionRequest::Format format) {
    if (format == SessionRequest::Format::Json)
        return print(stdout, toJson(s));
    if (format == SessionRequest::Format::Ini)
        return print(stdout, toIni(s));
    // The module's texts may hold anything, escape sequences for the terminal included.
    for (const QString& key : kModuleKeys)
        print(stdout, key + QStringLiteral(": ") + escapeControls(settingText(s, key)) + u'\n');
    print(stdout, QStringLiteral("own address: ") + escapeControls(s.ownAddress) + u'\n');
    print(stdout, QStringLiteral("firmware: ") + escapeControls(s.firmware) + u'\n');
}

class Session {
public:
    explicit Session(const SessionRequest& request) : request_(request) {}

    int run() {
        stopsignals::endIfStoppedBeforeRun();
        if (!request_.tracePath.isEmpty() && !startTrace())
            return kExitUsage;
        const int result = converse();
        // Told last, once the module is left as it should be: the trace never cuts a save.
        if (trace_.writeError().isEmpty())
            return result;
        printCliError(trace_.writeError());
        return result == kExitDone ? kExitOutputFailed : result;
    }

private:
    int converse() {
        warnOfSettingsProblem();
        refreshPortTable(); // a new adapter gets its number, as the window gives it one
        if (!module_.choosePort(request_.port))
            return kExitUsage;
        platform_.onStop = [this] { module_.requestStop(); };
        platform_.onSecondStop = [this] { endConversationsAtOnce(progress_, {&module_}); };

        const int connected = module_.connect(module_.portLabel());
        if (connected != kExitDone || stopsignals::count() > 0)
            return stopsignals::count() > 0 ? endConversationsStopped(platform_, {&module_})
                                            : connected;
        const int result = request_.changes.isEmpty() ? show() : save();
        if (stopsignals::count() > 0)
            return endConversationsStopped(platform_, {&module_});
        module_.leave();
        return result;
    }

    bool startTrace() {
        QString error;
        if (!trace_.openFile(traceFile_, request_.tracePath, error)) {
            printCliError(error);
            return false;
        }
        module_.setObserver(&trace_);
        return true;
    }

    int show() {
        printSettings(module_.settings(), request_.format);
        return kExitDone;
    }

    int save() {
        ModuleSettings readBack;
        const int saved = module_.save(request_.changes, readBack);
        if (saved == kExitDone)
            printSettings(readBack, request_.format);
        return saved;
    }

    const SessionRequest& request_;
    ProgressLine progress_;
    ConsolePlatform platform_{progress_};
    QFile traceFile_;
    LinkTrace trace_{platform_, traceFile_};
    ModuleConversation module_{platform_, progress_};
};

} // namespace

// The window warns once at start-up; so does each run here.
void warnOfSettingsProblem() {
    const QString problem = settingsProblem();
    if (!problem.isEmpty())
        print(stderr, problem + u'\n');
}

int runSession(const SessionRequest& request) {
    return Session(request).run();
}

void printResult(const QString& text) {
    print(stdout, text);
}

void printCliError(const QString& text) {
    print(stderr, QStringLiteral("tavixat-cli: ") + text + u'\n');
}

int endConversationsStopped(ConsolePlatform& platform, const QList<ModuleConversation*>& modules) {
    bool saved = false;
    for (ModuleConversation* module : modules) {
        module->leave();
        saved = saved || module->lastOutcome() == Connection::Outcome::Saved;
    }
    const int signal = stopsignals::first();
    QString line = QStringLiteral("tavixat-cli: stopped by %1").arg(stopsignals::name(signal));
    if (saved)
        line += QStringLiteral(" after the save: the settings were saved");
    platform.showMessage(line + u'.', MessageIcon::Error);
    return 128 + signal;
}

void endConversationsAtOnce(ProgressLine& progress, const QList<ModuleConversation*>& modules) {
    bool saving = false;
    for (ModuleConversation* module : modules) {
        module->closePort();
        saving = saving || module->isSaving();
    }
    const int signal = stopsignals::last();
    QString line = QStringLiteral("tavixat-cli: stopped by %1").arg(stopsignals::name(signal));
    if (saving)
        line += QStringLiteral(" during the save.\n") + Connection::partlySavedMessage();
    // Straight to the line: a save under way holds the platform's messages back.
    progress.message(line + (saving ? QString() : QStringLiteral(".")), MessageIcon::Error);
    std::fflush(nullptr);
    std::_Exit(128 + signal);
}

int listPorts() {
    warnOfSettingsProblem();
    const PortTable table = refreshPortTable();
    for (const PortEntry& entry : table.ports) {
        // A number maps to something when an entry names its device or the device is there.
        const bool named =
            !readStoredText(QStringLiteral("Ports/") + portKey(entry.number), {}).isEmpty();
        if (named || entry.attached)
            print(stdout, QStringLiteral("%1 %2 %3\n")
                              .arg(portKey(entry.number), entry.device,
                                   entry.attached ? QStringLiteral("attached")
                                                  : QStringLiteral("no device")));
    }
    for (const QString& line : table.warnings + table.unnumbered)
        print(stderr, line + u'\n');
    return kExitDone;
}

} // namespace tavixat
