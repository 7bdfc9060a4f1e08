#include "app/UnattendedRun.h"

#include "app/uUpdate.h"
#include "support/MessageBoxes.h"

#include <QCheckBox>

void RouteMessagesTo(QTextStream &out)
{
    MessageBoxes::SetRecorder([&out](MessageBoxes::Kind kind, const QString &text) {
        out << (kind == MessageBoxes::Kind::Error ? "[error] " : "[message] ") << text << Qt::endl;
    });
}

void EchoLogTo(TfUpdate &window, QTextStream &out)
{
    QObject::connect(&window, &TfUpdate::logLineAdded, &window,
                     [&out](const QString &line) { out << line << Qt::endl; });
}

int RunUnattended(TfUpdate &window)
{
    if (window.CreationFailed())
        return UnattendedExit::Error;
    for (QCheckBox *stage : {window.cbCheck, window.cbInstallNew, window.cbCheckDB})
        stage->setChecked(true);
    window.Button1Click();
    switch (window.LastRunOutcome()) {
    case TfUpdate::RunOutcome::Completed:
        return UnattendedExit::Completed;
    case TfUpdate::RunOutcome::StageFailed:
        return UnattendedExit::StageFailed;
    default:
        return UnattendedExit::Error;
    }
}
