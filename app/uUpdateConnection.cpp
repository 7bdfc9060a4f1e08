// The stage's connection to the update server: lamp, notice, log lines and the handle triple.
#include "app/FormControls.h"
#include "app/uUpdate.h"
#include "net/EventPump.h"
#include "net/ResultCodes.h"
#include "net/ServerSettings.h"
#include "net/TlsFailure.h"
#include "net/WinInet.h"
#include "support/ClassLanguage.h"
#include "support/InformationMessage.h"

#include <QRadioButton>

namespace {
const QColor kLampBusy(255, 255, 0);
const QColor kLampDone(0, 255, 0);
}

void TfUpdate::SetLamp(const QColor &color)
{
    Shape1->setBrushColor(color);
    ProcessMessages();
}

int TfUpdate::ConnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &)
{
    int r = 0;
    struct Closing {
        TfUpdate *window;
        int &r;
        ~Closing()
        {
            window->im->HideInfoWindow();
            window->SetLamp(kLampDone);
            window->AddLog(window->lStr(r > 0 ? QStringLiteral("…Сервер подключен…")
                                              : QStringLiteral("…Ошибка подключения к серверу…")));
            if (r == ResultCode::SessionFailed)
                window->AddLog(window->lStr(QStringLiteral("…Нет доступа к WinInet.Dll…")));
            if (r == ResultCode::ConnectFailed)
                window->AddLog(window->lStr(QStringLiteral("…Невозможно подключиться к серверу…")) + QLatin1Char(' ')
                               + UpdateServerUrl());
            const QString tlsReason = TlsFailureLogText(LastConnectFailure());
            if (r == ResultCode::ConnectFailed && !tlsReason.isEmpty())
                window->AddLog(window->lStr(tlsReason));
        }
    } closing{this, r};

    SetLamp(kLampBusy);
    im->ShowInfoWindow(lStr(QStringLiteral("…Подключение к серверу…. …Подождите немного….")));
    AddLog(lStr(QStringLiteral("…Подключение к серверу…")));
    const ServerAddress server = UpdateServerAddress();
    r = OpenFTP(hNet, hFTP, server.host, QString::fromLatin1(kFtpUser), QString::fromLatin1(kFtpPassword), server.port);
    return r;
}

int TfUpdate::OpenFTP(HINTERNET &hNet, HINTERNET &hFTP, const QString &server, const QString &user,
                      const QString &password, uint16_t port)
{
    hNet = InternetOpenW(QString::fromLatin1(kAgentName), INTERNET_OPEN_TYPE_PRECONFIG, QString(), QString(), 0);
    if (!hNet)
        return ResultCode::SessionFailed;
    const uint32_t flags = RadioGroup1->ItemIndex() == 0 ? INTERNET_FLAG_PASSIVE : 0;
    hFTP = InternetConnectW(hNet, server, port, user, password, INTERNET_SERVICE_FTP, flags, 0);
    if (!hFTP) {
        InternetCloseHandle(hNet);
        hNet = nullptr;
        return ResultCode::ConnectFailed;
    }
    return ResultCode::Connected;
}

void TfUpdate::DisconnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile)
{
    CloseFTP(hNet, hFTP, hFile);
    SetLamp(kLampBusy);
    AddLog(lStr(QStringLiteral("…Сервер отключен…")));
}

void TfUpdate::CloseFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile)
{
    // Children before their parent; each member is closed once and then marked closed.
    for (HINTERNET *handle : {&hFile, &hFTP, &hNet}) {
        InternetCloseHandle(*handle);
        *handle = nullptr;
    }
}
