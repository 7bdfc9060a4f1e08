#include "app/uUpdate.h"

#include "app/ClassSys.h"
#include "app/FileProgressView.h"
#include "app/FormControls.h"
#include "app/LanguageSettings.h"
#include "base/RaisedError.h"
#include "stages/WorkerThread.h"
#include "support/ClassLanguage.h"
#include "support/InformationMessage.h"
#include "support/MessageBoxes.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

namespace {

const QColor kFormColor(193, 218, 244);
const QString kDeveloperFolder = QStringLiteral("e:\\DevProgramming\\ORN-Install-Image\\ORN\\");

QFont tahoma(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void paintBackground(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFrame *panel(const char *name, QWidget *parent, bool bevel)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameStyle(bevel ? QFrame::Panel | QFrame::Raised : QFrame::NoFrame);
    return frame;
}

QLabel *label(const char *name, const QString &caption, QWidget *parent, int left, int top)
{
    auto *result = new QLabel(caption, parent);
    result->setObjectName(QLatin1String(name));
    result->move(left, top);
    result->adjustSize();
    return result;
}

QCheckBox *checkBox(const char *name, const QString &caption, QWidget *parent, const QRect &geometry)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setChecked(true);
    return box;
}

}  // namespace

TfUpdate::TfUpdate(QWidget *parent)
    : QWidget(parent),
      engine(new TUpdateEngine(this)),
      ScanDir1(engine->ScanDir1),
      ScanDir2(engine->ScanDir2),
      MyDataFind(engine->MyDataFind),
      currentdir(engine->currentdir),
      netDbdir(engine->netDbdir),
      netdir(engine->netdir),
      softdir(engine->softdir)
{
    CreateControls();
    ConnectEngine();
    FormCreate();
    // Later code never meets a missing component, even when the creation handler ended early.
    if (!tL)
        tL = new TClassLanguage();
    if (!im)
        im = new TInformationMessage();
}

TfUpdate::~TfUpdate()
{
    delete progressView_;
    delete im;
    delete tL;
}

void TfUpdate::CreateControls()
{
    setObjectName(QStringLiteral("fUpdate"));
    setWindowTitle(QStringLiteral("…Обновление… ORN"));
    setFont(tahoma(11));
    paintBackground(this, kFormColor);

    // Owned first in declaration order: the panels, scanners and the run controls.
    Panel1 = panel("Panel1", this, false);
    Panel4 = panel("Panel4", this, true);
    CreateRunPanel();
    CreateLogPanel();

    Panel2 = panel("Panel2", this, true);
    Panel2->setFixedHeight(32);
    paintBackground(Panel2, kFormColor);
    Label1 = label("Label1", QStringLiteral("…Папка программы…:"), Panel2, 9, 9);
    ePathDir = new QLineEdit(Panel2);
    ePathDir->setObjectName(QStringLiteral("ePathDir"));
    ePathDir->setGeometry(120, 5, 670, 21);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel2);
    layout->addWidget(Panel4);
    layout->addWidget(Panel1, 1);

    resize(800, 419);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfUpdate::CreateRunPanel()
{
    Panel4->setFixedHeight(145);
    paintBackground(Panel4, kFormColor);

    Button1 = new TWrapButton(QStringLiteral("…Обновление программы…"), Panel4);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(11, 7, 150, 101);
    Button1->setFont(tahoma(13, true));
    connect(Button1, &QPushButton::clicked, this, &TfUpdate::Button1Click);

    Label8 = label("Label8", QStringLiteral("- …Новых…"), Panel4, 217, 23);
    Label9 = label("Label9", QStringLiteral("- …Загружено…"), Panel4, 217, 56);
    Label10 = label("Label10", QStringLiteral("- …Установлено…"), Panel4, 350, 56);
    lFindNew = label("lFindNew", QStringLiteral("0"), Panel4, 199, 23);
    lDownload = label("lDownload", QStringLiteral("0"), Panel4, 199, 56);
    lInstall = label("lInstall", QStringLiteral("0"), Panel4, 334, 56);
    Label11 = label("Label11", QStringLiteral("- …Требует обновления…"), Panel4, 350, 23);
    lFindChange = label("lFindChange", QStringLiteral("0"), Panel4, 334, 23);

    Shape1 = new TShape(Panel4);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(760, 6, 30, 30);
    connect(Shape1, &TShape::mouseDown, this, &TfUpdate::Shape1MouseDown);

    cbCheck = checkBox("cbCheck", QStringLiteral("…Проверить обновления программы…"), Panel4, QRect(176, 6, 273, 17));
    cbInstallNew = checkBox("cbInstallNew", QStringLiteral("…Установить обновления…"), Panel4, QRect(176, 39, 273, 17));
    cbCheckDB = checkBox("cbCheckDB", QStringLiteral("…Проверить обновления базы данных…"), Panel4, QRect(176, 72, 289, 17));

    Label2 = label("Label2", QStringLiteral("- …Обнаружено скриптов обновления…"), Panel4, 217, 89);
    Label3 = label("Label3", QStringLiteral("0"), Panel4, 199, 89);
    RadioGroup1 = new TRadioGroup(QStringLiteral("Тип FTP сервера"),
                                  {QStringLiteral("Тип 1"), QStringLiteral("Тип 2")}, 2, Panel4);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(11, 110, 150, 31);
    RadioGroup1->setItemIndex(0);
    Label4 = label("Label4",
                   QStringLiteral("При проблемах соединения, сменить тип сервера, повторить соединение."),
                   Panel4, 176, 120);
}

void TfUpdate::CreateLogPanel()
{
    auto *layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel3 = panel("Panel3", Panel1, true);
    Panel3->setFixedHeight(45);
    paintBackground(Panel3, kFormColor);
    Label7 = label("Label7", QStringLiteral("…Протокол…"), Panel3, 11, 3);
    Label7->setFont(tahoma(12, true));
    Label7->adjustSize();

    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    lFileCopy = new QLabel(Panel3);
    lFileCopy->setObjectName(QStringLiteral("lFileCopy"));
    lFileCopy->setGeometry(120, 5, 670, 15);
    ProgressBar1 = new QProgressBar(Panel3);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(120, 22, 670, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    layout->addWidget(Panel3);
    layout->addWidget(Memo1, 1);
}

bool TfUpdate::RunGuarded(const std::function<void()> &step)
{
    try {
        step();
        return true;
    } catch (const RaisedError &error) {
        MessageBoxes::ShowError(error.text());
    } catch (const std::exception &error) {
        MessageBoxes::ShowError(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

void TfUpdate::FormCreate()
{
    creationFailed_ = !RunGuarded([this] {
        currentdir = StartFolder();
        ePathDir->setText(currentdir);
        lFileCopy->clear();
        MyDataFind.clear();
        Memo1->clear();

        CreateLanguage(currentdir, tL);

        sUser = GetCurrentUserName();
        setWindowTitle(windowTitle() + QStringLiteral("  User <") + sUser + QLatin1Char('>'));
        for (const QString &link : GrantInstallationAccess(currentdir, sUser))
            AddLog(LinkedFolderLine(link, [this](const QString &text) { return tL->lStr(text); }));

        im = new TInformationMessage();
    });
}

void TfUpdate::FormActivate()
{
    tL->SetComponentsNewLanguage(this);
    setWindowTitle(tL->lStr(windowTitle()));
}

void TfUpdate::FormClose()
{
    delete im;
    im = nullptr;
}

void TfUpdate::Shape1MouseDown(Qt::MouseButton, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    if (buttons == Qt::LeftButton && modifiers == (Qt::ShiftModifier | Qt::ControlModifier))
        ePathDir->setText(kDeveloperFolder);
}

void TfUpdate::Button1Click()
{
    if (runInProgress_)
        return;
    runInProgress_ = true;
    const QString pathField = ePathDir->text();
    RunOutcome outcome = RunOutcome::Error;
    RunOnWorkerThread([&] { outcome = engine->Run(pathField); });
    runInProgress_ = false;
    lastRunOutcome_ = outcome;
    if (closeRequested_)
        close();
}

int TfUpdate::CheckChange()
{
    int r = 0;
    RunOnWorkerThread([&] { r = engine->CheckChange(); });
    return r;
}

int TfUpdate::DownloadChange()
{
    int r = 0;
    RunOnWorkerThread([&] { r = engine->DownloadChange(); });
    return r;
}

int TfUpdate::CheckChangeDb()
{
    int r = 0;
    RunOnWorkerThread([&] { r = engine->CheckChangeDb(); });
    return r;
}

int TfUpdate::ConnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile)
{
    int r = 0;
    RunOnWorkerThread([&] { r = engine->ConnectFTP(hNet, hFTP, hFile); });
    return r;
}

void TfUpdate::DisconnectFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile)
{
    RunOnWorkerThread([&] { engine->DisconnectFTP(hNet, hFTP, hFile); });
}

int TfUpdate::DownloadFileFTP(HINTERNET &hNet, HINTERNET &hFTP, HINTERNET &hFile, const QString &serverFolder,
                              const QString &serverFileName, const QString &localFile, QProgressBar *progressBar)
{
    QProgressBar *const shown = std::exchange(progressBar_, progressBar);
    int r = 0;
    RunOnWorkerThread(
        [&] { r = engine->DownloadFileFTP(hNet, hFTP, hFile, serverFolder, serverFileName, localFile); });
    progressBar_ = shown;
    return r;
}

void TfUpdate::ConnectEngine()
{
    engine->SetTranslator([this](const QString &text) { return lStr(text); });
    progressView_ = new FileProgressView(lFileCopy, [this](const QString &text) { return lStr(text); });
    progressBar_ = ProgressBar1;
    const QList<QCheckBox *> stages{cbCheck, cbInstallNew, cbCheckDB};
    for (int i = 0; i < stages.size(); ++i)
        connect(stages[i], &QCheckBox::toggled, this, [this, i](bool on) { engine->SetStageChosen(i + 1, on); });
    connect(RadioGroup1->item(0), &QRadioButton::toggled, this, [this](bool on) { engine->SetPassive(on); });

    connect(engine, &TUpdateEngine::logCleared, Memo1, &QPlainTextEdit::clear);
    connect(engine, &TUpdateEngine::logLine, this, &TfUpdate::AddLog);
    connect(engine, &TUpdateEngine::counterChanged, this, &TfUpdate::ShowCounter);
    connect(engine, &TUpdateEngine::fileProgress, this,
            [this](const QString &name, qint64 received, qint64 size) { progressView_->Show(progressBar_, name, received, size); });
    connect(engine, &TUpdateEngine::lampChanged, this, [this](TUpdateEngine::Lamp lamp) {
        Shape1->setBrushColor(lamp == TUpdateEngine::Lamp::Done ? QColor(0, 255, 0) : QColor(255, 255, 0));
    });
    connect(engine, &TUpdateEngine::noticeShown, this, [this](const QString &text) {
        if (im)
            im->ShowInfoWindow(text);
    });
    connect(engine, &TUpdateEngine::noticeHidden, this, [this] {
        if (im)
            im->HideInfoWindow();
    });
    // A box is modal: the run waits until it is closed.
    connect(engine, &TUpdateEngine::boxShown, this, &TfUpdate::ShowBox, Qt::DirectConnection);
}

void TfUpdate::ShowBox(TUpdateEngine::BoxKind kind, const QString &text)
{
    const auto show = [kind, text] {
        if (kind == TUpdateEngine::BoxKind::Error)
            MessageBoxes::ShowError(text);
        else
            MessageBoxes::ShowMessage(text);
    };
    if (QThread::currentThread() == thread())
        show();
    else
        QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
}

void TfUpdate::ShowCounter(TUpdateEngine::Counter counter, int value)
{
    QLabel *const labels[] = {lFindNew, lFindChange, lDownload, lInstall, Label3};
    // Sized for its first "0", a counter grows to the left with its number, so that every digit
    // shows and none covers the caption on its right.
    QLabel *const label = labels[int(counter)];
    const int right = label->geometry().right();
    label->setText(QString::number(value));
    label->adjustSize();
    label->move(right - label->width() + 1, label->y());
}

void TfUpdate::AddLog(const QString &line)
{
    Memo1->appendPlainText(line);
}

QString TfUpdate::lStr(const QString &text) const { return tL->lStr(text); }

bool TfUpdate::event(QEvent *event)
{
    // The window is active from its first showing on, also where no window manager hands it
    // the focus.
    if (event->type() == QEvent::WindowActivate || (event->type() == QEvent::Show && !shownOnce_)) {
        shownOnce_ = true;
        FormActivate();
    }
    return QWidget::event(event);
}

void TfUpdate::closeEvent(QCloseEvent *event)
{
    if (runInProgress_) {
        // The run stops at its next safe point and closes the window then.
        closeRequested_ = true;
        TUpdateEngine::RequestStop();
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}
