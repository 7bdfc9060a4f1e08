#pragma once
// The update run without a window: the folders, the work list, the two scanners and the three
// stages. It reports what happens through signals; a face (the window or the command line)
// starts it and shows the reports. Signals are emitted on the thread that runs the engine.
#include "net/WinInet.h"
#include "stages/CheckReport.h"
#include "stages/DataFind.h"
#include "stages/ManifestListing.h"
#include "stages/PatchChoice.h"
#include "release/MinisignKey.h"
#include "stages/ScriptFetch.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>

struct TStagedFile;
enum class TListedFileCheck;
class TScanDir;
struct TSkippedEntry;
class StageConnection;
struct TransferJob;
struct PackFile;

class TUpdateEngine : public QObject, private TScriptReport {
    Q_OBJECT
public:
    // How a run ended.
    enum class Outcome { None, Completed, StageFailed, Error, Stopped };
    Q_ENUM(Outcome)
    // The counters a run sets.
    enum class Counter { FindNew, FindChange, Download, Install, Scripts };
    Q_ENUM(Counter)
    // The state the connection lamp shows: connecting or disconnected (yellow), connected (green).
    enum class Lamp { Busy, Done };
    Q_ENUM(Lamp)
    enum class BoxKind { Message, Error };
    Q_ENUM(BoxKind)

    // The translation of a text with marked keys (identity until one is set).
    using Translator = std::function<QString(const QString &)>;

    // An engine with its scanners ScanDir1 (server trees) and ScanDir2 (local trees), mask
    // "*.*", sub-folders searched, every stage chosen, passive transfers.
    explicit TUpdateEngine(QObject *owner = nullptr);
    ~TUpdateEngine() override;

    void SetTranslator(Translator translator) { translator_ = std::move(translator); }
    QString lStr(const QString &text) const;

    // Stage choice and server type; they may be changed from another thread while a run goes
    // on. Each stage's choice is read when the run reaches that stage, the server type when a
    // stage connects.
    void SetStageChosen(int stage, bool chosen);
    bool StageChosen(int stage) const;
    void SetPassive(bool passive) { passive_ = passive; }

    // The release keys the engine trusts: those built into the program unless set here.
    void SetReleaseKeys(const QVector<TMinisignPublicKey> &keys) { releaseKeys_ = keys; }

    // Run state shared by the stages.
    QString currentdir;  // the start folder, where ftp.ini is read
    QString netdir;
    QString netDbdir;
    QString softdir;
    TDataFindList MyDataFind;
    TScanDir *ScanDir1;
    TScanDir *ScanDir2;
    // The manifest of the program folder that stage 1 accepted: the tree ScanDir1 holds and
    // each archive's size and hash (Entries[IdFTP]); none when the folder was listed.
    std::optional<TManifestListing> programManifest;

    // The update run over the installation folder pathField (trimmed, a separator appended):
    // reads ftp.ini, then runs the chosen stages in order, each after a "---" line. An error
    // raised on the way is reported in an error box; on a stop request the run ends at its
    // next safe point. While another run holds the folder, it says so and ends with Error.
    Outcome Run(const QString &pathField);

    // Looks and changes nothing: change detection and the script look-up (stages 1 and 3 as
    // chosen), without downloading, unpacking or writing the script list. report receives what
    // an update would fetch.
    Outcome Check(const QString &pathField, TCheckReport &report);

    // The stages: above 0 when the stage ran to its end (4, 3 and 5), 0 or less on failure.
    int CheckChange();
    int DownloadChange();
    int CheckChangeDb();

    // Opens a stage's connection with lamp, notice and log lines: 2, or -1 / -2 with nothing open.
    int ConnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile);
    // Closes whatever of the triple is open, shows the lamp yellow and logs the disconnect.
    void DisconnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile);
    // Fetches one server file to localFile, reporting its progress: 5, or -1 to -5. With
    // expectedSize the file must have that size (else the size the server lists).
    int DownloadFileFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile, const QString &serverFolder,
                        const QString &serverFileName, const QString &localFile,
                        std::optional<uint64_t> expectedSize = std::nullopt);
    int OpenFTP(HINTERNET &hNet, HINTERNET &hFTP, const QString &server, const QString &user,
                const QString &password, uint16_t port);
    void CloseFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile);
    void DecodeFTPFileNames(TScanDir *scanDir);

    // Files of the last run's work list and scripts that were to be fetched but did not land
    // (skipped, not downloaded or not installed).
    int FilesNotInstalled() const { return notInstalled_; }

    // Asks a run in progress, from any thread, to stop at its next safe point; a transfer in
    // progress is aborted.
    static void RequestStop();

    // Reports, for the faces.
    void AddLog(const QString &line) { emit logLine(line); }
    void ShowMessage(const QString &text) { emit boxShown(BoxKind::Message, text); }

signals:
    void logCleared();
    void logLine(const QString &line);
    void counterChanged(TUpdateEngine::Counter counter, int value);
    // The file being copied: bytes so far and its listed size. Sent for the first block, at
    // most every 10 ms after it, when the bar is full and once the transfer has ended.
    void fileProgress(const QString &fileName, qint64 received, qint64 size);
    void lampChanged(TUpdateEngine::Lamp lamp);
    void noticeShown(const QString &text);
    void noticeHidden();
    // A message or error box; the run goes on when the face has shown it (a window shows it
    // modally and must block the sender until it is closed). Error texts come without the
    // full stop that the box adds.
    void boxShown(TUpdateEngine::BoxKind kind, const QString &text);

private:
    Outcome Guarded(const std::function<Outcome()> &run);
    void StartRun(const QString &pathField);
    Outcome RunStages();
    // Connects a stage; on failure shows the connection error box. False when not connected.
    bool OpenStage(StageConnection &connection, int &r);
    void SetCounter(Counter counter, int value) { emit counterChanged(counter, value); }
    // The server tree of folder into ScanDir1 under a notice: from the folder's manifest when it
    // has one (or must have one: a release key is built in), else listed. A refused manifest is
    // logged and shown, and gives 0; a folder that cannot be listed gives -1 or -2 with their
    // messages. manifest receives the accepted manifest's listing, or none. filesAtTopOnly: a
    // manifest that lists a file in a sub-folder is refused.
    int ScanServerTree(StageConnection &connection, const QString &folder, const QString &mask, bool filesAtTopOnly,
                       std::optional<TManifestListing> &manifest);
    // The folder's manifest as the trust check finds it: false (logged and shown) when it is
    // refused, or lists a file in a sub-folder where filesAtTopOnly. An accepted signed
    // sequence is recorded, except in a check.
    bool TakeFolderManifest(StageConnection &connection, const QString &folder, bool filesAtTopOnly,
                            std::optional<TManifestListing> &manifest);
    // The local listing of softdir into ScanDir2 under a notice.
    void ScanLocalTree(const QString &mask);
    void LogSkippedServerEntry(const TSkippedEntry &skipped);
    // Places one staged archive's file (see TArchiveInstaller::Place) and logs commandLine (none
    // when empty) and any failure; true when the file is in place. A file that is not placed
    // takes its archive with it.
    bool InstallArchive(TStagedFile &staged, const QString &localFolder, const QString &archive,
                        const QString &fileName, const QString &commandLine);
    // The patches of the program folder (its signed manifest accepted by stage 1): none when it
    // has no patch list, or when the list fails its check (logged).
    std::optional<TPatchChoice> TakePatchList(StageConnection &connection);
    // Where job, the archive of entry listed of the program listing, lies in the program
    // folder's pack (with its SHA-256); nothing when the signed manifest announced no pack.
    void TakePackPlace(TransferJob &job, int listed) const;
    // Where job, the fetch of patch (of patches), lies in the program folder's pack (with its
    // SHA-256); nothing when the pack holds no patches.
    void TakePatchPackPlace(TransferJob &job, const TPatchChoice &patches, const TPatchEntry &patch) const;
    // Where the patches of list lie in the program folder's pack, in its order, when its
    // signature announced a pack of packSize bytes that the manifest's files and they fill
    // exactly; else none.
    QVector<qint64> PackOffsetsOfPatches(const TPatchList &list, std::optional<qint64> packSize) const;
    // The program folder's pack, when its signed manifest announced one.
    std::optional<PackFile> ProgramPack() const;
    // Logs that a range of pack did not bring all its files, which are fetched alone (failure:
    // RangeFailureText).
    void LogRangeFailure(const PackFile &pack, const QString &failure);
    // Fetches what it can of jobs from the ranges of the program folder's pack on the mirrors
    // (MirrorsToTry), one mirror after the other, marking the jobs it brought as fetched; logs
    // each mirror that did not give all it was asked for.
    void FetchFromMirrors(QVector<TransferJob> &jobs);
    // Cuts the scripts that stage 3's work list (MyDataFind) fetches from ranges of the script
    // folder's pack, when its signed manifest announced one, into temporary files in softdir
    // (named with kScriptTempPrefix). Returns the scripts that came whole and matching, each
    // with the file that holds it.
    QHash<QString, QString> FetchScriptsFromPack(StageConnection &connection, const TManifestListing &manifest);
    // The log line for a failed download (-1 to -5); nothing for other results.
    void LogDownloadFailure(int r, const QString &serverFolder, const QString &serverName, const QString &localFile);
    // The files of the work list, for a check.
    void ReportWorkList(TCheckReport &report) const;
    // True when the fetched file at path is what entry lists (size and SHA-256); otherwise the
    // file is removed, the reason logged with name, and false returned.
    bool AcceptListed(const QString &path, const TManifestEntry &entry, const QString &name);
    // AcceptListed with the file's check already made.
    bool AcceptChecked(TListedFileCheck check, const QString &path, const QString &name);
    // DownloadFileFTP of a file that entry lists (when given): at most its listed size, and
    // checked against it; a file that differs gives DownloadRejected and is gone.
    int FetchListed(StageConnection &connection, const QString &serverFolder, const QString &name,
                    const QString &localFile, const TManifestEntry *entry);
    // The script fetch loop's reports, as log lines.
    void Fetched(const QString &name) override;
    void FetchFailed(const QString &name, int result) override;
    void Unsafe(const TDataSearch &entry) override;
    // Stage 3; with check, the scripts it would fetch go there and nothing is fetched or written.
    int ScriptStage(TCheckReport *check);

    Translator translator_;
    std::atomic<bool> stageChosen_[3] = {true, true, true};
    std::atomic<bool> passive_{true};
    int notInstalled_ = 0;
    bool checkOnly_ = false;  // a check: nothing is recorded
    std::optional<QVector<TMinisignPublicKey>> releaseKeys_;
};
