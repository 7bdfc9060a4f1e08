#pragma once
// The update window: its controls, its handlers, the update run and the run state that the
// three stages share.
#include "stages/DataFind.h"

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class InternetHandle;
using HINTERNET = InternetHandle *;

class StageConnection;
struct TSkippedEntry;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class TClassLanguage;
class TInformationMessage;
class TRadioGroup;
class TScanDir;
class TShape;
class TWrapButton;

class TfUpdate : public QWidget {
    Q_OBJECT
public:
    // How the last update run ended.
    enum class RunOutcome { None, Completed, StageFailed, Error, Stopped };

    // Builds the controls and runs the creation handler; a failure there is shown in the
    // error box and the window still works.
    explicit TfUpdate(QWidget *parent = nullptr);
    ~TfUpdate() override;

    // Controls, in declaration order; the window owns them.
    QFrame *Panel1, *Panel4;
    TScanDir *ScanDir1, *ScanDir2;
    TWrapButton *Button1;
    QFrame *Panel3;
    QLabel *Label7;
    QPlainTextEdit *Memo1;
    QLabel *Label8, *Label9, *Label10, *lFindNew, *lDownload, *lInstall, *Label11, *lFindChange;
    TShape *Shape1;
    QCheckBox *cbCheck, *cbInstallNew, *cbCheckDB;
    QFrame *Panel2;
    QLabel *Label1;
    QLineEdit *ePathDir;
    QLabel *lFileCopy;
    QProgressBar *ProgressBar1;
    QLabel *Label2, *Label3;
    TRadioGroup *RadioGroup1;
    QLabel *Label4;

    // Run state shared by the stages.
    QString sUser;
    TClassLanguage *tL = nullptr;
    TDataFindList MyDataFind;
    QString currentdir;
    QString netDbdir;
    QString netdir;
    QString softdir;
    TInformationMessage *im = nullptr;

    // Handlers.
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Shape1MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    // The update run; a press while a run is in progress is ignored.
    void Button1Click();

    // The stages: above 0 when the stage ran to its end (4, 3 and 5), 0 or less on failure.
    int CheckChange();
    int DownloadChange();
    int CheckChangeDb();

    // Opens the stage's connection with lamp, notice and log lines: 2, or -1 / -2 with nothing open.
    int ConnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile);
    // Closes whatever of the triple is open, sets the lamp yellow and logs the disconnect.
    void DisconnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile);
    // Fetches one server file to localFile with the bar and lFileCopy moving: 5, or -1 to -5.
    int DownloadFileFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile, const QString &serverFolder,
                        const QString &serverFileName, const QString &localFile, QProgressBar *progressBar);

    // Appends one line to the log.
    void AddLog(const QString &line);
    // lStr of the localisation component.
    QString lStr(const QString &text) const;

    bool RunInProgress() const { return runInProgress_; }
    RunOutcome LastRunOutcome() const { return lastRunOutcome_; }
    // True when the creation handler ended early with an error.
    bool CreationFailed() const { return creationFailed_; }

signals:
    void logLineAdded(const QString &line);
    void runFinished(TfUpdate::RunOutcome outcome);

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateControls();
    void CreateRunPanel();
    void CreateLogPanel();
    RunOutcome RunStages();
    // Runs one step of a handler; an error it raises is shown in the error box. False on error.
    bool RunGuarded(const std::function<void()> &step);
    void SetLamp(const QColor &color);

    int OpenFTP(HINTERNET &hNet, HINTERNET &hFTP, const QString &server, const QString &user,
                const QString &password, uint16_t port);
    void CloseFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile);
    void DecodeFTPFileNames(TScanDir *scanDir);
    // The server listing of folder into ScanDir1 under a notice; messages for -1 and -2.
    int ScanServerTree(StageConnection &connection, const QString &folder, const QString &mask);
    // The local listing of softdir into ScanDir2 under a notice.
    void ScanLocalTree(const QString &mask);
    void LogSkippedServerEntry(const TSkippedEntry &skipped);
    // Installs one downloaded archive with the 7-Zip tool; true when the file is in place.
    bool InstallArchive(const QString &localFolder, const QString &archive, const QString &fileName,
                        int32_t size, const QString &toolFolder);
    // The log line for a failed download (-1 to -5); nothing for other results.
    void LogDownloadFailure(int r, const QString &serverFolder, const QString &serverName, const QString &localFile);

    bool runInProgress_ = false;
    bool closeRequested_ = false;
    bool creationFailed_ = false;
    bool shownOnce_ = false;
    RunOutcome lastRunOutcome_ = RunOutcome::None;
};
