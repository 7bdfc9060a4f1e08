#include "stages/StageScope.h"

int StageConnection::Connect()
{
    const int r = engine_.ConnectFTP(hNet, hFTP, hFile);
    connected_ = r > 0;
    return r;
}

void StageConnection::Disconnect()
{
    if (!connected_)
        return;
    connected_ = false;
    engine_.DisconnectFTP(hNet, hFTP, hFile);
}

NoticeScope::NoticeScope(TUpdateEngine &engine, const QString &text) : engine_(engine)
{
    emit engine_.noticeShown(text);
}

NoticeScope::~NoticeScope() { emit engine_.noticeHidden(); }
