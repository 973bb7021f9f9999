#include "Unit1.h"

#include "AccountFile.h"
#include "BirthdayScanTask.h"
#include "BrowserHost.h"
#include "Clock.h"
#include "ContactDataset.h"
#include "ContactGrid.h"
#include "ContactImportRun.h"
#include "ContactStore.h"
#include "DatePicker.h"
#include "EnterClicksButton.h"
#include "Fonts.h"
#include "GatewayProbe.h"
#include "HiddenAccountTable.h"
#include "Memo.h"
#include "SecretTextEvents.h"
#include "SendJournal.h"
#include "SendLog.h"
#include "StartupSequence.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The window's outer size is 688 x 570 with a 4-pixel sizeable frame and a
// 23-pixel caption, which leaves this client area.
constexpr QSize outerSize(688, 570);
constexpr QSize clientSize(680, 539);
constexpr QPoint windowPosition(146, 43);
const QColor panelColour(221, 255, 255);

constexpr int defaultFontPixels = 15;
constexpr int smallFontPixels = 13;

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFrame* makePanel(QWidget* parent, const char* name)
{
    auto* panel = named(new QFrame(parent), name);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, panelColour);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    return panel;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

// Puts the window at its own place and size when that lies wholly on the
// screen it opens on; otherwise moves it, and cuts it down if it must, so
// that all of it is on that screen.
void placeOnScreen(QWidget* window)
{
    const QScreen* screen = QGuiApplication::screenAt(windowPosition);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect wanted(windowPosition, outerSize);
    const QRect placed = screen ? fitWindowToScreen(wanted, screen->availableGeometry()) : wanted;
    window->move(placed.topLeft());
    window->resize(placed.size() - (outerSize - clientSize));
}

// The content of a tab page, inside a scroll area that fills the page. While
// the page is at least as large as the content's minimum size, the content
// fills the page exactly as if it were the page; a smaller page (a window cut
// down to a small screen) scrolls instead of hiding controls.
QWidget* scrollableContent(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(page);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    scroll->setWidget(content);
    content->setAutoFillBackground(false);
    layout->addWidget(scroll);
    return content;
}

// The room a panel's visible controls take from its top left corner.
QSize controlsExtent(const QWidget* panel)
{
    const QRect used = panel->childrenRect();
    return {used.x() + used.width(), used.y() + used.height()};
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* button = named(new QPushButton(caption, parent), name);
    button->setGeometry(geometry);
    return button;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, QPoint position)
{
    auto* label = named(new QLabel(caption, parent), name);
    label->adjustSize();
    label->move(position);
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& accessibleName,
                    QRect geometry)
{
    auto* edit = named(new QLineEdit(parent), name);
    edit->setGeometry(geometry);
    edit->setAccessibleName(accessibleName);
    return edit;
}

QComboBox* makeComboBox(QWidget* parent, const char* name, const QStringList& items,
                        QPoint position, int width, const QString& accessibleName)
{
    auto* combo = named(new QComboBox(parent), name);
    combo->setEditable(true);
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    combo->setGeometry(QRect(position, QSize(width, 23)));
    combo->setAccessibleName(accessibleName);
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

} // namespace

TForm1::TForm1(const FormServices& services, QWidget* parent)
    : QWidget(parent), m_services(services),
      m_account(std::make_unique<AccountFile>(services.exeDir))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Selvanto"));
    setWindowIcon(QIcon(QStringLiteral(":/selvanto.svg")));
    setFont(mingFont(defaultFontPixels));
    createControls();
    placeOnScreen(this);
    connectContactPage();
    connectGateway();
    connectFiles();
    connectCounter();
    connectSettings();
    connectUpcoming();
}

TForm1::~TForm1()
{
    // The browser may still announce pages while the window's controls are
    // being taken down (its view is one of them): its handlers must not run
    // on a window that is half gone.
    if (m_services.browser)
        disconnect(m_services.browser, nullptr, this, nullptr);
    m_alive.end();
}

void TForm1::createControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = named(new QTabWidget(this), "PageControl1");
    layout->addWidget(PageControl1);

    TabSheet1 = named(new QWidget, "TabSheet1");
    TabSheet2 = named(new QWidget, "TabSheet2");
    TabSheet3 = named(new QWidget, "TabSheet3");
    TabSheet4 = named(new QWidget, "TabSheet4");
    TabSheet5 = named(new QWidget, "TabSheet5");
    PageControl1->addTab(TabSheet1, QStringLiteral("通訊錄"));
    PageControl1->addTab(TabSheet2, QStringLiteral("簡訊發送"));
    PageControl1->addTab(TabSheet3, QStringLiteral("發送紀錄"));
    PageControl1->addTab(TabSheet4, QStringLiteral("設定"));
    PageControl1->addTab(TabSheet5, QStringLiteral("近期生日"));

    createContactPage();
    createSendingPage();
    createHistoryPage();
    auto* historyLayout = new QVBoxLayout(TabSheet3);
    historyLayout->setContentsMargins(2, 2, 2, 2);
    historyLayout->addWidget(StringGrid1);
    createSettingsPage();
    createUpcomingPage();
    setKeyboardOrder();
    auto* enterClicks = new EnterClicksButton(this);
    enterClicks->installOnButtonsIn(Panel2);
    enterClicks->installOnButtonsIn(Panel1);
    enterClicks->installOnButtonsIn(TabSheet4);
    enterClicks->installOnButtonsIn(TabSheet5);
    PageControl1->setCurrentIndex(1);
}

void TForm1::createContactPage()
{
    QWidget* content = scrollableContent(TabSheet1);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel2 = makePanel(content, "Panel2");
    layout->addWidget(Panel2);

    Button1 = makeButton(Panel2, "Button1", QStringLiteral("新增"), {172, 2, 57, 25});
    Button5 = makeButton(Panel2, "Button5", QStringLiteral("修改"), {237, 2, 57, 25});
    Button2 = makeButton(Panel2, "Button2", QStringLiteral("刪除"), {302, 2, 57, 25});
    Button4 = makeButton(Panel2, "Button4", QStringLiteral("取消"), {368, 2, 57, 25});
    Button3 = makeButton(Panel2, "Button3", QStringLiteral("儲存"), {432, 2, 57, 25});
    Button4->setEnabled(false);
    Button3->setEnabled(false);

    DBGrid1 = named(new ContactGrid(*m_services.dialogs, Panel2), "DBGrid1");
    DBGrid1->setGeometry(128, 32, 401, 465);
    DBGrid1->setAccessibleName(QStringLiteral("通訊錄"));
    content->setMinimumSize(controlsExtent(Panel2));
}

void TForm1::createSendingPage()
{
    QWidget* content = scrollableContent(TabSheet2);
    constexpr int border = 2;
    constexpr int browserHeight = 273;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(border, border, border, border);
    layout->setSpacing(0);

    ScrollBox1 = named(new QScrollArea(content), "ScrollBox1");
    ScrollBox1->setFixedHeight(browserHeight);
    ScrollBox1->setWidgetResizable(true);
    WebBrowser1 = m_services.browser->widget();
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setAccessibleName(QStringLiteral("簡訊閘道網頁"));
    ScrollBox1->setWidget(WebBrowser1);
    layout->addWidget(ScrollBox1);

    Panel1 = makePanel(content, "Panel1");
    layout->addWidget(Panel1, 1);

    const QFont small = mingFont(smallFontPixels);
    const QColor blue(0, 0, 255);
    const QColor navy(0, 0, 128);

    Label1 = makeLabel(Panel1, "Label1", QStringLiteral("帳號"), {9, 7});
    Edit1 = makeEdit(Panel1, "Edit1", QStringLiteral("帳號"), {41, 3, 203, 21});
    Label2 = makeLabel(Panel1, "Label2", QStringLiteral("密碼"), {255, 7});
    // The password and code boxes' changes reach screen readers masked.
    SecretTextEvents::install();
    Edit2 = makeEdit(Panel1, "Edit2", QStringLiteral("密碼"), {288, 3, 82, 21});
    Edit2->setEchoMode(QLineEdit::Password);
    // "*" for each character, whatever the style would use instead.
    Edit2->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    Label7 = makeLabel(Panel1, "Label7", QStringLiteral("認證碼"), {383, 7});
    Edit5 = makeEdit(Panel1, "Edit5", QStringLiteral("認證碼"), {431, 3, 93, 21});
    Edit5->setEchoMode(QLineEdit::Password);
    Edit5->setStyleSheet(Edit2->styleSheet());
    CheckBox1 = named(new QCheckBox(QStringLiteral("儲存帳號密碼"), Panel1), "CheckBox1");
    CheckBox1->setGeometry(536, 5, 104, 17);

    Label3 = named(new QLabel(QStringLiteral("接收者門號"), Panel1), "Label3");
    Label3->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label3->setGeometry(8, 31, 70, Label3->sizeHint().height());
    const char* recipientNames[] = {"Edit11", "Edit12", "Edit13", "Edit14", "Edit15"};
    QLineEdit** recipientMembers[] = {&Edit11, &Edit12, &Edit13, &Edit14, &Edit15};
    for (int k = 0; k < 5; ++k) {
        *recipientMembers[k] =
            makeEdit(Panel1, recipientNames[k], QStringLiteral("接收者門號 %1").arg(k + 1),
                     {79 + 114 * k, 27, 103, 21});
    }

    Label4 = makeLabel(Panel1, "Label4", QStringLiteral("發送訊息"), {9, 59});
    Label4->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Memo1 = named(new Memo(Panel1), "Memo1");
    Memo1->setGeometry(66, 58, 331, 79);
    Memo1->setAccessibleName(QStringLiteral("發送訊息"));
    Label5 = makeLabel(Panel1, "Label5", QStringLiteral("剩餘字數"), {401, 61});
    Edit4 = makeEdit(Panel1, "Edit4", QStringLiteral("剩餘字數"), {460, 57, 40, 21});
    Edit4->setReadOnly(true);
    Label15 = makeLabel(Panel1, "Label15", QString(), {401, 84});
    Label15->setFixedSize(96, 26);
    Label15->setAccessibleName(QStringLiteral("剩餘字數的對象"));
    BitBtn2 = makeButton(Panel1, "BitBtn2", QStringLiteral("儲存簡訊內容"), {402, 113, 87, 25});

    RadioButton1 = named(new QRadioButton(QStringLiteral("立即發送"), Panel1), "RadioButton1");
    RadioButton1->setGeometry(16, 145, 82, 17);
    RadioButton1->setChecked(true);
    RadioButton2 = named(new QRadioButton(QStringLiteral("預約發送"), Panel1), "RadioButton2");
    RadioButton2->setGeometry(118, 145, 82, 17);

    Label6 = makeLabel(Panel1, "Label6", QStringLiteral("預約時間"), {12, 172});
    DateTimePicker1 = named(new DatePicker(Panel1), "DateTimePicker1");
    DateTimePicker1->setGeometry(72, 168, 137, 21);
    DateTimePicker1->setAccessibleName(QStringLiteral("預約時間"));
    QStringList hours;
    for (int hour = 1; hour <= 24; ++hour)
        hours << QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0'));
    ComboBox1 = makeComboBox(Panel1, "ComboBox1", hours, {224, 167}, 41, QStringLiteral("時"));
    Label8 = makeLabel(Panel1, "Label8", QStringLiteral("時"), {268, 172});
    ComboBox2 = makeComboBox(
        Panel1, "ComboBox2",
        {QStringLiteral("00"), QStringLiteral("15"), QStringLiteral("30"), QStringLiteral("45")},
        {288, 167}, 41, QStringLiteral("分"));
    Label9 = makeLabel(Panel1, "Label9", QStringLiteral("分"), {334, 171});

    BitBtn5 = makeButton(Panel1, "BitBtn5", QStringLiteral("登入"), {10, 195, 75, 25});
    BitBtn4 = makeButton(Panel1, "BitBtn4", QStringLiteral("發送簡訊"), {102, 195, 75, 25});
    BitBtn6 = makeButton(Panel1, "BitBtn6", QStringLiteral("認證"), {194, 195, 75, 25});
    BitBtn7 = makeButton(Panel1, "BitBtn7", QStringLiteral("一次完成"), {286, 195, 75, 25});
    BitBtn1 = makeButton(Panel1, "BitBtn1", QStringLiteral("登出"), {378, 195, 75, 25});

    ValueListEditor2 = named(new HiddenAccountTable(0, 2, Panel1), "ValueListEditor2");
    ValueListEditor2->setHorizontalHeaderLabels({QStringLiteral("帳號"), QStringLiteral("密碼")});
    ValueListEditor2->setColumnWidth(0, 84);
    ValueListEditor2->setColumnWidth(1, 87);
    ValueListEditor2->setSelectionBehavior(QAbstractItemView::SelectRows);
    ValueListEditor2->verticalHeader()->hide();
    ValueListEditor2->setGeometry(496, 187, 177, 33);
    ValueListEditor2->hide();

    Label10 = makeLabel(Panel1, "Label10", QString(), {505, 61});
    Label10->setWordWrap(true);
    Label10->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label10->setFixedSize(160, 45);
    Label10->setAccessibleName(QStringLiteral("待發送人數"));
    // In the viewport, not the scroll area itself, whose accessible children
    // are only its viewport and scroll bars: screen readers read this line.
    Label11 = named(new QLabel(ScrollBox1->viewport()), "Label11");
    Label11->setAutoFillBackground(true);
    Label11->setStyleSheet(QStringLiteral("background: #fff3b0; color: #800000; padding: 2px;"));
    Label11->setGeometry(0, 0, 676, 20);
    Label11->hide();

    // Labels, radio buttons, check box and date picker: small font in blue;
    // edit boxes, buttons and the key/value list: small font, window text;
    // the memo: small font in navy; the drop-down lists keep the window's font.
    for (QWidget* widget : std::initializer_list<QWidget*>{
             Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9, Label10,
             Label15, RadioButton1, RadioButton2, CheckBox1, DateTimePicker1}) {
        widget->setFont(small);
        setTextColour(widget, blue);
    }
    for (QWidget* widget : std::initializer_list<QWidget*>{
             Edit1, Edit2, Edit5, Edit11, Edit12, Edit13, Edit14, Edit15, Edit4, BitBtn2, BitBtn5,
             BitBtn4, BitBtn6, BitBtn7, BitBtn1, ValueListEditor2}) {
        widget->setFont(small);
    }
    Memo1->setFont(small);
    setTextColour(Memo1, navy);
    for (QLabel* label : {Label1, Label2, Label4, Label5, Label6, Label7, Label8, Label9})
        label->adjustSize();

    Label1->setBuddy(Edit1);
    Label2->setBuddy(Edit2);
    Label7->setBuddy(Edit5);
    Label3->setBuddy(Edit11);
    Label4->setBuddy(Memo1);
    Label5->setBuddy(Edit4);
    Label6->setBuddy(DateTimePicker1);
    Label8->setBuddy(ComboBox1);
    Label9->setBuddy(ComboBox2);

    content->setMinimumSize(controlsExtent(Panel1) + QSize(2 * border, 2 * border + browserHeight));
}

void TForm1::setKeyboardOrder()
{
    const QList<QWidget*> contactOrder = {Button1, Button2, DBGrid1, Button3, Button4, Button5};
    const QList<QWidget*> sendingOrder = {
        Edit1,     Edit2,    Edit5,   CheckBox1,    Edit11,           Edit12,          Edit13,
        Edit14,    Edit15,   Memo1,   RadioButton1, RadioButton2,     DateTimePicker1, Edit4,
        BitBtn4,   BitBtn5,  BitBtn6, BitBtn7,      ValueListEditor2, BitBtn1,         BitBtn2,
        ComboBox1, ComboBox2};
    for (const QList<QWidget*>& order : {contactOrder, sendingOrder}) {
        for (qsizetype i = 1; i < order.size(); ++i)
            QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

QList<QLineEdit*> TForm1::recipientBoxes() const
{
    return {Edit11, Edit12, Edit13, Edit14, Edit15};
}

QLineEdit* TForm1::recipientBox(int k) const
{
    return findChild<QLineEdit*>(QStringLiteral("Edit1%1").arg(k));
}

// The start-up runs when the window is first shown, before it exists on the
// screen: its boxes come up on their own, and the window is drawn once the
// start-up has returned. Running it any later, from the show event, would not
// do: the browser's first navigation gives the window a new native window,
// which is put on the screen at once because the window already counts as
// shown.
void TForm1::setVisible(bool visible)
{
    if (visible && !m_shown) {
        m_shown = true;
        m_inStartup = true;
        FormShow();
        m_inStartup = false;
        // A close during the start-up happens before the event loop runs,
        // where a plain close cannot end it: the window is never shown, and
        // the program ends as soon as the loop starts.
        if (m_closedDuringStartup) {
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            return;
        }
    }
    QWidget::setVisible(visible);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (m_inStartup) {
        m_closedDuringStartup = true;
    } else if (!savePendingContact()) {
        event->ignore();
        return;
    }
    FormClose();
    QWidget::closeEvent(event);
}

void TForm1::FormShow()
{
    // One clock reading gives today for the birthday scan and the hour proposed
    // for a scheduled send; the date picker takes a reading of its own.
    const QDateTime startedAt = m_services.clock->now();
    StartupSequence sequence(*m_services.dialogs);
    sequence.step([&] { setScheduledDate(m_services.clock->now()); });
    sequence.step([&] { proposeScheduledHour(startedAt.time().hour()); });
    sequence.step([&] { navigateToSmsPage(); });
    if (m_services.newDataFolder)
        sequence.step([&] { makeFirstContactBook(); });
    sequence.step([&] { openContactBook(startedAt.date()); });
    sequence.stepThatMayStop([&] { return scanBirthdays(startedAt); });
    sequence.step([&] { greetOrClose(); });
    sequence.step([&] { loadSavedAccount(); });
    sequence.step([&] { loadMessageText(); });
    if (m_services.newDataFolder)
        sequence.step([&] { offerFirstImport(); });
}

void TForm1::FormClose()
{
    releaseSavedAccount();
}
