#include "Unit1.h"

#include "About.h"
#include "Application.h"
#include "DragEdit.h"
#include "Panel.h"
#include "Shell.h"
#include "Splitter.h"
#include "index/IndexPage.h"
#include "panes/DirectoryListBox.h"
#include "panes/DiskFollower.h"
#include "panes/DriveComboBox.h"
#include "panes/FileListBox.h"
#include "platform/Errors.h"
#include "platform/FolderReading.h"
#include "platform/TrustedLinks.h"
#include "platform/WorkingDirectory.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr int ClientWidth = 319;
constexpr int ClientHeight = 281;
constexpr int PanelHeight = 33;
constexpr int StatusHeight = 19;
constexpr int PanesTop = 2 * PanelHeight;
constexpr int PanesHeight = ClientHeight - PanesTop - StatusHeight;
constexpr int FolderListWidth = 145;
constexpr int CountPanelWidth = 133;
const QRect GripPlace(2, 4, 3, 24);
constexpr int ProgressIntervalMs = 50; // how often the bar shows the lines of a page written aside

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// What a screen reader says of a control: its name and, where useful, what it does.
template <typename T> T* Spoken(T* widget, const QString& name, const QString& description = {}) {
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
    return widget;
}

// The program's icon: a drawing of its own for each size a window list or a
// task bar asks for, 16 to 48 pixels, and for twice each of those, which Qt
// picks on a dense screen by the pixels it needs.
QIcon WindowIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 96})
        icon.addPixmap(QPixmap(QStringLiteral(":/icons/zumi-%1.png").arg(size)));
    return icon;
}

QToolButton* FlatButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                        const QString& glyph, const QRect& place) {
    auto* button = Named(new QToolButton(parent), name);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIcon(QIcon(glyph));
    button->setIconSize(QSize(16, 16));
    button->setText(caption);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(place);
    return button;
}

// A height or width field: whole pixels from 0 to 9999, one per 5 pixels of drag, off until the size lock.
// A refused key beeps; a failure of a drag shows the error box.
TDragEdit* SizeField(QWidget* parent, const char* name, const QString& hint, const QString& description,
                     const QRect& place) {
    auto* field = Spoken(Named(new TDragEdit(parent), name), hint,
                         description + QStringLiteral("。↑↓ キーで 1、PageUp と PageDown で 10 ずつ変わります"));
    QObject::connect(field, &TDragEdit::keyRefused, field, [] { CurrentShell().Beep(); });
    QObject::connect(field, &TDragEdit::failed, field, &ShowErrorBox);
    field->setToolTip(hint);
    field->setGeometry(place);
    field->SetButtonWidth(15);
    field->SetIncrement(QStringLiteral("1"));
    field->SetIncStep(5);
    field->SetMaxValue(QStringLiteral("9999"));
    field->SetMinValue(QStringLiteral("0"));
    field->SetRangeLimited(true);
    field->setText(QStringLiteral("100"));
    field->setEnabled(false);
    return field;
}

// What the commands on the page do; a screen reader hears after it whether the folder has one.
const QString ViewsPage = QStringLiteral("このフォルダの imgindex.html をブラウザで開きます");
const QString DeletesPage = QStringLiteral("このフォルダの imgindex.html を削除します");

// A control's or a menu command's description, which a screen reader is told of when it changes.
void Describe(QWidget* control, const QString& description) {
    if (control->accessibleDescription() != description)
        control->setAccessibleDescription(description); // which tells the reader
}

void Describe(QAction* action, const QString& description) {
    if (action->whatsThis() == description)
        return;
    action->setWhatsThis(description);
    QAccessibleEvent changed(action, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

QAction* MenuItem(QMenu* menu, const char* name, const QString& caption) {
    return Named(menu->addAction(caption), name);
}

QAction* CheckItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = MenuItem(menu, name, caption);
    action->setCheckable(true);
    action->setChecked(true);
    return action;
}

} // namespace

TForm1::TForm1(const std::string& executablePath, QWidget* parent)
    : QMainWindow(parent), m_Settings(executablePath), m_HelpFiles(HelpFiles(executablePath)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zumi"));
    setWindowIcon(WindowIcon());
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(12);
    setFont(font);
    // A fixed single border with minimise and close but no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    setCentralWidget(new QWidget(this));
    CreateMenu();
    // F10 opens the menu bar, as it does on the desktops.
    auto* menuKey = new QAction(this);
    menuKey->setShortcut(Qt::Key_F10);
    addAction(menuKey);
    connect(menuKey, &QAction::triggered, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().constFirst()); });
    CreatePanels();
    CreatePanes();
    // The panes have taken the folder they start on from the working directory:
    // the process leaves it, so that it holds no volume busy.
    zumi::LeaveForRoot();

    StatusBar1 = Spoken(Named(new QStatusBar(this), "StatusBar1"), QStringLiteral("ステータスバー"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(StatusHeight);
    setStatusBar(StatusBar1);
    StatusPanel0 = Named(new QLabel(StatusBar1), "StatusPanel0"); // a screen reader reads out its count
    StatusPanel0->setAccessibleDescription(QStringLiteral("一覧のファイル数"));
    StatusPanel0->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusPanel0->setAlignment(Qt::AlignCenter);
    StatusPanel0->setGeometry(0, 2, CountPanelWidth, StatusHeight - 2);
    // The progress bar covers the status bar from the count panel to its right
    // end. It is made here, not by the start-up settings, so that the create
    // command has it even when those fail.
    ProgressBar = Spoken(Named(new QProgressBar(StatusBar1), "ProgressBar"), QStringLiteral("進行状況"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(CountPanelWidth + 2, 2, ClientWidth - CountPanelWidth - 2, StatusHeight - 2);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);

    SetTabOrder();
    FileListBox1->setFocus();
    setFixedSize(ClientWidth, menuBar()->sizeHint().height() + ClientHeight);
    move(318, 101);

    ConnectHandler(MCreateHTML, &QAction::triggered, this, &TForm1::MCreateHTMLClick);
    ConnectHandler(SCreateHTML, &QToolButton::clicked, this, &TForm1::MCreateHTMLClick);
    ConnectHandler(MOpenHTML, &QAction::triggered, this, &TForm1::MOpenHTMLClick);
    ConnectHandler(SpeedButton2, &QToolButton::clicked, this, &TForm1::MOpenHTMLClick);
    ConnectHandler(MDeleteHTML, &QAction::triggered, this, &TForm1::MDeleteHTMLClick);
    ConnectHandler(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    ConnectHandler(CBox1, &QCheckBox::toggled, this, &TForm1::CBox1Click);
    ConnectHandler(Label1, &QToolButton::clicked, this, &TForm1::Label1Click);
    ConnectHandler(Edit1, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
    ConnectHandler(DirectoryListBox1, &TDirectoryListBox::OnChange, this, &TForm1::DirectoryListBox1Change);
    ConnectHandler(FileListBox1, &TFileListBox::OnReading, this, &TForm1::ShowReading);
    ConnectHandler(FileListBox1, &TFileListBox::OnDblClick, this, &TForm1::FileListBox1DblClick);
    ConnectHandler(FileListBox1, &TFileListBox::OnDiskChange, this, &TForm1::FileListBox1DiskChange);
    ConnectHandler(Contents1, &QAction::triggered, this, &TForm1::Contents1Click);
    ConnectHandler(About1, &QAction::triggered, this, &TForm1::About1Click);
    connect(Splitter1, &TSplitter::Moved, this, &TForm1::LayoutPanes);
    // The session is ending: the close query runs as at any close. A save that
    // fails is shown when the session manager lets us, and stops the logout.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        try {
            bool canClose = false;
            FormCloseQuery(canClose);
        } catch (const std::exception& failure) {
            if (manager.allowsErrorInteraction())
                ShowException(failure);
            manager.cancel();
        }
    });

    // A failure here skips the rest of the creation handler; the window opens as designed.
    RunHandler([this] { FormCreate(); });
    AboutBox = new TAboutBox(this);
}

void TForm1::CreateMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    MCreateHTML = MenuItem(file, "MCreateHTML", QStringLiteral("ファイルの作成(&C)"));
    MDeleteHTML = MenuItem(file, "MDeleteHTML", QStringLiteral("ファイルの削除(&D)"));
    Describe(MDeleteHTML, DeletesPage);
    file->addSeparator();
    MOpenHTML = MenuItem(file, "MOpenHTML", QStringLiteral("ブラウザで確認(&V)"));
    Describe(MOpenHTML, ViewsPage);
    file->addSeparator();
    Exit1 = MenuItem(file, "Exit1", QStringLiteral("終了(&X)"));

    QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    MBorder = CheckItem(settings, "MBorder", QStringLiteral("BORDERは 0 にする(&B)"));
    MCreateOpen = CheckItem(settings, "MCreateOpen", QStringLiteral("ファイル作成後確認(&A)"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    Contents1 = MenuItem(help, "Contents1", QStringLiteral("目次(&C)"));
    About1 = MenuItem(help, "About1", QStringLiteral("バージョン情報(&A)"));
}

void TForm1::CreatePanels() {
    QWidget* client = centralWidget();

    // The toolbar panel's caption is the index marker, right-aligned behind its controls.
    Panel1 = Spoken(Named(new TPanel(client), "Panel1"), QStringLiteral("ツールバー"));
    Panel1->setText(QStringLiteral("* "));
    Panel1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Panel1->setGeometry(0, 0, ClientWidth, PanelHeight);
    Panel1->AddLine(QRect(0, 0, ClientWidth, 2));
    Panel1->AddLine(QRect(0, PanelHeight - 2, ClientWidth, 2));
    Panel1->AddGrip(GripPlace);
    SCreateHTML = FlatButton(Panel1, "SCreateHTML", QStringLiteral("作成"), QStringLiteral("ファイルの作成"),
                             QStringLiteral(":/create.xpm"), QRect(8, 4, 53, 25));
    Spoken(SCreateHTML, QStringLiteral("作成"),
           QStringLiteral("一覧のファイルの imgindex.html をこのフォルダに書きます"));
    Panel1->AddLine(QRect(66, 4, 2, 24));
    SpeedButton2 = FlatButton(Panel1, "SpeedButton2", QStringLiteral("確認"), QStringLiteral("ブラウザで確認"),
                              QStringLiteral(":/view.xpm"), QRect(73, 4, 52, 25));
    Spoken(SpeedButton2, QStringLiteral("確認"), ViewsPage);
    Panel1->AddLine(QRect(130, 4, 2, 24));
    DriveComboBox1 = Spoken(Named(new TDriveComboBox(Panel1), "DriveComboBox1"), QStringLiteral("ドライブ"),
                            QStringLiteral("選んだボリュームにフォルダの一覧が移ります"));
    DriveComboBox1->setGeometry(136, 8, 153, 18);

    Panel2 = Spoken(Named(new TPanel(client), "Panel2"), QStringLiteral("マスクとサイズ"));
    Panel2->setGeometry(0, PanelHeight, ClientWidth, PanelHeight);
    Panel2->AddLine(QRect(0, PanelHeight - 2, ClientWidth, 2));
    Panel2->AddGrip(GripPlace);
    Edit1 = Spoken(Named(new QLineEdit(Panel2), "Edit1"), QStringLiteral("マスク"),
                   QStringLiteral("一覧に出すファイル名のパターン。; で区切ります (例 *.gif;*.jpg)"));
    Edit1->setGeometry(8, 6, 134, 20);
    Panel2->AddLine(QRect(146, 4, 2, 24));
    CBox1 = Named(new QCheckBox(QStringLiteral("固定"), Panel2), "CBox1");
    CBox1->setToolTip(QStringLiteral("サイズ固定"));
    Spoken(CBox1, QStringLiteral("サイズ固定"), QStringLiteral("オンのとき、どの画像にも縦と横のサイズを付けます"));
    CBox1->setGeometry(152, 8, 48, 17);
    DragEdit1 = SizeField(Panel2, "DragEdit1", QStringLiteral("縦 (HEIGHT)"),
                          QStringLiteral("固定時の画像の高さ (ピクセル)"), QRect(202, 5, 49, 20));
    // The "x" between the fields reads as a label but is a flat button, so that
    // Tab reaches it between the two fields and Space presses it.
    Label1 = Named(new QToolButton(Panel2), "Label1");
    Label1->setText(QStringLiteral("x"));
    Label1->setAutoRaise(true);
    Label1->setToolTip(QStringLiteral("縦横のサイズをセット"));
    Spoken(Label1, QStringLiteral("縦を横にコピー"), QStringLiteral("押すと縦のサイズを横にも入れます"));
    Label1->setGeometry(251, 5, 16, 20);
    Label1->setEnabled(false);
    DragEdit2 = SizeField(Panel2, "DragEdit2", QStringLiteral("横 (WIDTH)"),
                          QStringLiteral("固定時の画像の幅 (ピクセル)"), QRect(267, 5, 49, 20));
}

void TForm1::CreatePanes() {
    QWidget* client = centralWidget();
    DirectoryListBox1 = Spoken(Named(new TDirectoryListBox(client), "DirectoryListBox1"), QStringLiteral("フォルダ"),
                               QStringLiteral("ダブルクリックか Enter でフォルダを開きます"));
    DirectoryListBox1->setGeometry(0, PanesTop, FolderListWidth, PanesHeight);
    Splitter1 = Spoken(Named(new TSplitter(DirectoryListBox1, client), "Splitter1"), QStringLiteral("区切り"));
    FileListBox1 = Spoken(Named(new TFileListBox(client), "FileListBox1"), QStringLiteral("ファイル"),
                          QStringLiteral("このフォルダでマスクに合うファイル。ダブルクリックで開きます"));
    // The chain of panes: the drive selector moves the folder list, which moves the file list.
    DriveComboBox1->SetDirList(DirectoryListBox1);
    DirectoryListBox1->SetFileList(FileListBox1);
    LayoutPanes();
}

void TForm1::SetTabOrder() {
    QWidget* const order[] = {DriveComboBox1, FileListBox1, DirectoryListBox1, Splitter1, DragEdit1, Label1, DragEdit2,
                              CBox1,          Edit1};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TForm1::LayoutPanes() {
    const int folderWidth = DirectoryListBox1->width();
    Splitter1->setGeometry(folderWidth, PanesTop, 1, PanesHeight);
    FileListBox1->setGeometry(folderWidth + 1, PanesTop, ClientWidth - folderWidth - 1, PanesHeight);
}

void TForm1::FormCreate() {
    QApplication::setWindowIcon(windowIcon());
    LoadSettings();
    DirectoryListBox1Change();
    CBox1Click();
}

void TForm1::closeEvent(QCloseEvent* event) {
    bool canClose = false;
    RunHandler([&] { FormCloseQuery(canClose); });
    event->setAccepted(canClose);
    m_Closed = canClose;
}

void TForm1::FormCloseQuery(bool& CanClose) {
    SaveSettings();
    CanClose = true;
}

// Each step may run a handler: a folder change, the size lock, the mask.
void TForm1::LoadSettings() {
    using Key = Settings::Key;
    m_Settings.Load();
    move(m_Settings.Integer(Key::Left), m_Settings.Integer(Key::Top));
    DirectoryListBox1->resize(m_Settings.Integer(Key::Splitter), PanesHeight);
    LayoutPanes();
    try {
        DirectoryListBox1->SetFolderPath(m_Settings.Text(Key::Folder));
    } catch (const zumi::IOError&) {
        ShowNotice(QStringLiteral("フォルダが見つかりません。"));
    }
    MBorder->setChecked(m_Settings.Bool(Key::ImageBorder));
    CBox1->setChecked(m_Settings.Bool(Key::SizeFixed));
    MCreateOpen->setChecked(m_Settings.Bool(Key::AfterView));
    DragEdit1->setText(QString::fromStdString(m_Settings.Text(Key::SizeHeight)));
    DragEdit2->setText(QString::fromStdString(m_Settings.Text(Key::SizeWidth)));
    Edit1->setText(QFile::decodeName(QByteArray::fromStdString(m_Settings.Text(Key::Mask))));
}

void TForm1::SaveSettings() {
    using Key = Settings::Key;
    // A Wayland client cannot learn where its window is (Qt reports the frame's
    // offset there), so the place read at start stays as it was.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        m_Settings.SetInteger(Key::Top, y());
        m_Settings.SetInteger(Key::Left, x());
    }
    m_Settings.SetInteger(Key::Splitter, DirectoryListBox1->width());
    m_Settings.SetText(Key::Folder, DirectoryListBox1->FolderPath());
    m_Settings.SetBool(Key::ImageBorder, MBorder->isChecked());
    m_Settings.SetBool(Key::AfterView, MCreateOpen->isChecked());
    m_Settings.SetBool(Key::SizeFixed, CBox1->isChecked());
    m_Settings.SetText(Key::SizeHeight, DragEdit1->text().toStdString());
    m_Settings.SetText(Key::SizeWidth, DragEdit2->text().toStdString());
    m_Settings.SetText(Key::Mask, Mask());
    m_Settings.Save();
}

std::string TForm1::Mask() const {
    const std::string stored = m_Settings.Text(Settings::Key::Mask);
    const QString text = Edit1->text();
    return text == QFile::decodeName(QByteArray::fromStdString(stored)) ? stored
                                                                        : QFile::encodeName(text).toStdString();
}

// While the folder moved to is still being read, neither the count nor the
// page marker is shown: neither is yet the folder's. Both come with the move's OnChange.
void TForm1::ShowReading() {
    ShowCount();
    ShowPageMarker(std::nullopt);
}

void TForm1::ShowCount() {
    StatusPanel0->setText(FileListBox1->Reading()
                              ? QString()
                              : QString::number(FileListBox1->Count()) + QStringLiteral(" 個のオブジェクト"));
}

std::string TForm1::IndexPath() const {
    return zumi::IndexPath(DirectoryListBox1->FolderPath());
}

void TForm1::MCreateHTMLClick() {
    // The page lists the folder now at the path, not rows the panes have yet to bring up to date.
    DirectoryListBox1->FollowNow();
    const int count = FileListBox1->Count();
    if (count == 0) {
        ShowNotice(QStringLiteral("画像ファイルがありません。"));
        return;
    }
    const zumi::PageOptions options{CBox1->isChecked(), DragEdit1->text().toStdString(),
                                    DragEdit2->text().toStdString(), MBorder->isChecked()};
    // The page goes into the folder the rows were read from, or nowhere; the
    // page written is the one opened: the panes may have moved on by the time
    // the notice is closed, and another file taken its place.
    const std::string page = IndexPath();
    const zumi::FileIdentity folder = FileListBox1->FolderIdentity();
    const bool aside = m_Page.Start(
        page, zumi::PageNames(count, [this](size_t row) { return FileListBox1->Item(static_cast<int>(row)); }), options,
        &folder);
    ProgressBar->setMaximum(count);
    if (aside && !EndsWithinEnterWait(m_Page.Descriptor()))
        WaitForPage();
    const zumi::FileIdentity written = m_Page.Finish();
    DirectoryListBox1Change();
    ShowNotice(QStringLiteral("imgindex.html を出力しました。"));
    // The window may have closed while the notice was up (the program is ending): then nothing more.
    if (!m_Closed && MCreateOpen->isChecked())
        OpenPage(page, &written);
}

// A long page: the bar shows the lines written, and the commands that write
// or delete the page wait for it, also when a screen reader asks for them.
void TForm1::WaitForPage() {
    const auto enable = [this](bool on) {
        MCreateHTML->setEnabled(on);
        SCreateHTML->setEnabled(on);
        MDeleteHTML->setEnabled(on);
    };
    enable(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QSocketNotifier ended(m_Page.Descriptor(), QSocketNotifier::Read);
    connect(&ended, &QSocketNotifier::activated, [&ended] { ended.setEnabled(false); });
    QTimer progress;
    progress.callOnTimeout([this] { ProgressBar->setValue(static_cast<int>(m_Page.Lines())); });
    progress.start(ProgressIntervalMs);
    WaitWhile([&ended] { return ended.isEnabled(); });
    ProgressBar->setValue(0);
    QApplication::restoreOverrideCursor();
    enable(true);
}

void TForm1::MOpenHTMLClick() {
    OpenPage(IndexPath());
}

// The browser gets a regular file that is there, reached only through links
// the user may trust, and when given, the very file written.
void TForm1::OpenPage(const std::string& path, const zumi::FileIdentity* written) {
    const std::optional<zumi::FileIdentity> page = zumi::TrustedRegularFile(path);
    if (page && (!written || *page == *written))
        CurrentShell().Open(path);
}

void TForm1::MDeleteHTMLClick() {
    const std::string path = IndexPath();
    if (!zumi::FileExists(path))
        return;
    try {
        zumi::DeletePage(path);
    } catch (const zumi::Error&) {
        DirectoryListBox1Change(); // the marker keeps showing the page that is still there
        throw;
    }
    DirectoryListBox1Change();
    ShowNotice(QStringLiteral("imgindex.html を削除しました。"));
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::Contents1Click() {
    // Only a help page that nobody else could have put there.
    for (const std::string& path : m_HelpFiles) {
        if (zumi::TrustedRegularFile(path, true)) {
            CurrentShell().Open(path);
            return;
        }
    }
    ShowNotice(QStringLiteral("ヘルプファイルが見つかりません。\n%1\n%2")
                   .arg(QFile::decodeName(m_HelpFiles[0].c_str()), QFile::decodeName(m_HelpFiles[1].c_str())));
}

void TForm1::About1Click() {
    AboutBox->exec();
}

void TForm1::CBox1Click() {
    const bool fixed = CBox1->isChecked();
    DragEdit1->setEnabled(fixed);
    DragEdit2->setEnabled(fixed);
    Label1->setEnabled(fixed);
}

void TForm1::Label1Click() {
    DragEdit2->setText(DragEdit1->text());
}

void TForm1::Edit1Change() {
    FileListBox1->SetMask(Mask());
    ShowCount();
}

void TForm1::DirectoryListBox1Change() {
    ShowCount();
    ShowPageMarker(zumi::FileExists(IndexPath()));
}

// The "* " at the toolbar's right, and what a screen reader hears of it: on
// the toolbar, and after what 確認 and ファイルの削除 do. Each description
// that changes is told to the reader.
void TForm1::ShowPageMarker(std::optional<bool> hasPage) {
    const QString said = !hasPage   ? QString()
                         : *hasPage ? QStringLiteral("このフォルダには imgindex.html があります")
                                    : QStringLiteral("このフォルダに imgindex.html はありません");
    const bool marked = hasPage.value_or(false);
    Panel1->setText(marked ? QStringLiteral("* ") : QString());
    Describe(Panel1, marked ? said : QString());
    const auto after = [&said](const QString& does) {
        return said.isEmpty() ? does : does + QStringLiteral("。") + said;
    };
    Describe(SpeedButton2, after(ViewsPage));
    Describe(MOpenHTML, after(ViewsPage));
    Describe(MDeleteHTML, after(DeletesPage));
}

// Files came or went on disk: the count and the page marker follow.
void TForm1::FileListBox1DiskChange() {
    DirectoryListBox1Change();
}

void TForm1::FileListBox1DblClick() {
    CurrentShell().Open(FileListBox1->SelectedPath());
}
