#include "app/StageScope.h"

#include "support/InformationMessage.h"

int StageConnection::Connect()
{
    const int r = window_.ConnectFTP(hNet, hFTP, hFile);
    connected_ = r > 0;
    return r;
}

void StageConnection::Disconnect()
{
    if (!connected_)
        return;
    connected_ = false;
    window_.DisconnectFTP(hNet, hFTP, hFile);
}

NoticeScope::NoticeScope(TInformationMessage *notices, const QString &text) : notices_(notices)
{
    notices_->ShowInfoWindow(text);
}

NoticeScope::~NoticeScope() { notices_->HideInfoWindow(); }
