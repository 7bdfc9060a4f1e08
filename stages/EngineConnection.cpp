// A stage's connection to the update server: lamp, notice, log lines and the handle triple.
#include "net/ResultCodes.h"
#include "net/ServerSettings.h"
#include "net/TlsFailure.h"
#include "stages/UpdateEngine.h"

int TUpdateEngine::ConnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &)
{
    int r = 0;
    struct Closing {
        TUpdateEngine *engine;
        int &r;
        ~Closing()
        {
            emit engine->noticeHidden();
            emit engine->lampChanged(Lamp::Done);
            engine->AddLog(engine->lStr(r > 0 ? QStringLiteral("…Сервер подключен…")
                                              : QStringLiteral("…Ошибка подключения к серверу…")));
            if (r == ResultCode::SessionFailed)
                engine->AddLog(engine->lStr(QStringLiteral("…Нет доступа к WinInet.Dll…")));
            if (r == ResultCode::ConnectFailed)
                engine->AddLog(engine->lStr(QStringLiteral("…Невозможно подключиться к серверу…")) + QLatin1Char(' ')
                               + UpdateServerUrl());
            const QString tlsReason = TlsFailureLogText(LastConnectFailure());
            if (r == ResultCode::ConnectFailed && !tlsReason.isEmpty())
                engine->AddLog(engine->lStr(tlsReason));
        }
    } closing{this, r};

    emit lampChanged(Lamp::Busy);
    emit noticeShown(lStr(QStringLiteral("…Подключение к серверу…. …Подождите немного….")));
    AddLog(lStr(QStringLiteral("…Подключение к серверу…")));
    const ServerAddress server = UpdateServerAddress();
    r = OpenFTP(hNet, hFTP, server.host, QString::fromLatin1(kFtpUser), QString::fromLatin1(kFtpPassword), server.port);
    return r;
}

int TUpdateEngine::OpenFTP(HINTERNET &hNet, HINTERNET &hFTP, const QString &server, const QString &user,
                           const QString &password, uint16_t port)
{
    hNet = InternetOpenW(QString::fromLatin1(kAgentName), INTERNET_OPEN_TYPE_PRECONFIG, QString(), QString(), 0);
    if (!hNet)
        return ResultCode::SessionFailed;
    const uint32_t flags = passive_ ? INTERNET_FLAG_PASSIVE : 0;
    hFTP = InternetConnectW(hNet, server, port, user, password, INTERNET_SERVICE_FTP, flags, 0);
    if (!hFTP) {
        InternetCloseHandle(hNet);
        hNet = nullptr;
        return ResultCode::ConnectFailed;
    }
    return ResultCode::Connected;
}

void TUpdateEngine::DisconnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile)
{
    CloseFTP(hNet, hFTP, hFile);
    emit lampChanged(Lamp::Busy);
    AddLog(lStr(QStringLiteral("…Сервер отключен…")));
}

void TUpdateEngine::CloseFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile)
{
    // Children before their parent; each member is closed once and then marked closed.
    for (HINTERNET *handle : {&hFile, &hFTP, &hNet}) {
        InternetCloseHandle(*handle);
        *handle = nullptr;
    }
}
