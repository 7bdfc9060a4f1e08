#pragma once
// The update window: its controls and handlers. The update run belongs to the engine; the
// window starts it on a worker thread, keeps the stage and connection methods as calls into
// it, and shows what it reports.
#include "stages/UpdateEngine.h"

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class FileProgressView;
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
    using RunOutcome = TUpdateEngine::Outcome;

    // Builds the controls and runs the creation handler; a failure there is shown in the
    // error box and the window still works.
    explicit TfUpdate(QWidget *parent = nullptr);
    ~TfUpdate() override;

    // The engine that runs the updates; the window owns it.
    TUpdateEngine *const engine;

    // Controls, in declaration order; the window owns them (the scanners through the engine).
    QFrame *Panel1, *Panel4;
    TScanDir *const ScanDir1, *const ScanDir2;
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

    // Run state shared by the stages: the engine's, under the window's names.
    QString sUser;
    TClassLanguage *tL = nullptr;
    TDataFindList &MyDataFind;
    QString &currentdir;
    QString &netDbdir;
    QString &netdir;
    QString &softdir;
    TInformationMessage *im = nullptr;

    // Handlers.
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Shape1MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    // The update run on the engine's worker thread; returns when it has ended, the window
    // processing its events meanwhile. A press while a run is in progress is ignored.
    void Button1Click();

    // The stages, run by the engine on a worker thread: above 0 when the stage ran to its end
    // (4, 3 and 5), 0 or less on failure.
    int CheckChange();
    int DownloadChange();
    int CheckChangeDb();

    // Opens a stage's connection with lamp, notice and log lines: 2, or -1 / -2 with nothing open.
    int ConnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile);
    // Closes whatever of the triple is open, sets the lamp yellow and logs the disconnect.
    void DisconnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile);
    // Fetches one server file to localFile with progressBar and lFileCopy moving: 5, or -1 to -5.
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

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateControls();
    void CreateRunPanel();
    void CreateLogPanel();
    // Shows what the engine reports, and hands it the stage choice and the server type.
    void ConnectEngine();
    void ShowCounter(TUpdateEngine::Counter counter, int value);
    void ShowBox(TUpdateEngine::BoxKind kind, const QString &text);
    // Runs one step of a handler; an error it raises is shown in the error box. False on error.
    bool RunGuarded(const std::function<void()> &step);

    FileProgressView *progressView_ = nullptr;
    QProgressBar *progressBar_ = nullptr;  // where the file's progress shows
    bool runInProgress_ = false;
    bool closeRequested_ = false;
    bool creationFailed_ = false;
    bool shownOnce_ = false;
    RunOutcome lastRunOutcome_ = RunOutcome::None;
};
