#include "platform/DesktopPrograms.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

std::string QtProgramLauncher::Find(const std::string& name) const
{
    return QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
}

bool QtProgramLauncher::StartDetached(const std::string& program,
                                      const std::vector<std::string>& arguments)
{
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    return QProcess::startDetached(QString::fromStdString(program), list);
}

namespace {

ProgramLauncher* activeLauncher = nullptr;

// A terminal that takes "-e program arguments...": the Debian alternative first.
const char* const kTerminals[] = {"x-terminal-emulator", "xterm"};

// pavucontrol's tab of input devices, where the card's recording level is set.
const char* const kPavucontrolInputTab = "--tab=4";

} // namespace

ProgramLauncher& ActiveProgramLauncher()
{
    static QtProgramLauncher real;
    return activeLauncher != nullptr ? *activeLauncher : real;
}

void SetActiveProgramLauncher(ProgramLauncher* launcher)
{
    activeLauncher = launcher;
}

bool StartRecordingLevelTool(ProgramLauncher& launcher)
{
    const std::string pavucontrol = launcher.Find("pavucontrol");
    if (!pavucontrol.empty() && launcher.StartDetached(pavucontrol, {kPavucontrolInputTab}))
        return true;

    const std::string alsamixer = launcher.Find("alsamixer");
    if (alsamixer.empty())
        return false;
    for (const char* name : kTerminals) {
        const std::string terminal = launcher.Find(name);
        if (!terminal.empty() &&
            launcher.StartDetached(terminal, {"-e", alsamixer, "-V", "capture"}))
            return true;
    }
    return false;
}

} // namespace platform
