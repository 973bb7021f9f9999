#pragma once

#include "BrowserHost.h"
#include "ContactDataset.h"
#include "ContactGrid.h"
#include "DomStep.h"
#include "GatewayActions.h"
#include "PageWait.h"
#include "RecipientQueue.h"
#include "UpcomingBirthdays.h"
#include "WindowLifetime.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

class AccountFile;
class BirthdayScanTask;
class BrowserHost;
class Clock;

class ContactImportRun;
class ContactReader;
class ContactStore;
class DatePicker;
class GatewayProbe;
class Dialogs;
class Memo;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QTableWidget;
class QTimer;
class SendJournal;

namespace contactfiles {
enum class Format;
}

// What the window needs from outside: where its files live, the command line,
// and the seams that tests replace (clock, boxes, browser).
struct FormServices
{
    // The folder of the program's files: beside the program for a portable
    // copy, else the user's data folder. Ends with a separator.
    QString exeDir{};
    // The data folder was made by this start: the window makes an empty
    // contact book there, says where it is and offers an import.
    bool newDataFolder = false;
    QStringList arguments{};  // command-line arguments after the program's name
    QString gatewayBase{};    // normalised gateway base address in use
    QString builtInGateway{}; // the build's address, used when none is saved
    // SELVANTO_GATEWAY_URL names the address; it wins over the saved one.
    bool gatewayFromEnvironment = false;
    QString autostartFolder{}; // where the log-in autostart entry goes
    QString programCommand{};  // how that entry starts the program
    // Shows a folder in the file manager; false when it could not.
    std::function<bool(const QString&)> openFolder{};
    Clock* clock = nullptr;
    Dialogs* dialogs = nullptr;
    BrowserHost* browser = nullptr;
    // How long a gateway action waits for a page before it gives up.
    int pageTimeoutMs = 30000;
    // The program that reads Access contact books in a child process.
    QString accessReader{};
};

// The main window: every control as a named member, every action as a handler.
// Handlers read and write controls and call the subsystems' classes.
class TForm1 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm1(const FormServices& services, QWidget* parent = nullptr);
    ~TForm1() override;

    // Window
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QWidget* TabSheet4;
    QWidget* TabSheet5;

    // "通訊錄" page
    QFrame* Panel2;
    QPushButton* Button1;
    QPushButton* Button5;
    QPushButton* Button2;
    QPushButton* Button4;
    QPushButton* Button3;
    ContactGrid* DBGrid1;

    // "簡訊發送" page
    QScrollArea* ScrollBox1;
    QWidget* WebBrowser1;
    QFrame* Panel1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QLabel* Label7;
    QLineEdit* Edit5;
    QCheckBox* CheckBox1;
    QLabel* Label3;
    QLineEdit* Edit11;
    QLineEdit* Edit12;
    QLineEdit* Edit13;
    QLineEdit* Edit14;
    QLineEdit* Edit15;
    QLabel* Label4;
    Memo* Memo1;
    QLabel* Label5;
    QLineEdit* Edit4;
    QPushButton* BitBtn2;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QLabel* Label6;
    DatePicker* DateTimePicker1;
    QComboBox* ComboBox1;
    QLabel* Label8;
    QComboBox* ComboBox2;
    QLabel* Label9;
    QPushButton* BitBtn5;
    QPushButton* BitBtn4;
    QPushButton* BitBtn6;
    QPushButton* BitBtn7;
    QPushButton* BitBtn1;
    QTableWidget* ValueListEditor2;
    // Whose text the characters-left count is, when each friend gets their own.
    QLabel* Label15;
    // How many of today's recipients wait beyond the five boxes.
    QLabel* Label10;
    // Over the browser: shown while the page is not the gateway's site.
    QLabel* Label11;

    // "發送紀錄" page: the send log, newest first.
    QTableWidget* StringGrid1;

    // "設定" page
    QLabel* Label12;
    QLineEdit* Edit3; // the gateway's address
    QPushButton* Button7;
    QPushButton* Button6;
    // Says when the environment's address is in use instead.
    QLabel* Label13;
    QCheckBox* CheckBox2;
    QLabel* Label14;
    QLineEdit* Edit6; // the data folder, read-only
    QPushButton* Button8;

    // "近期生日" page: the days ahead, today, and the last days not greeted.
    QTableWidget* StringGrid2;
    QPushButton* Button9; // puts the last days' not greeted into the boxes

    // Which action the next completed page triggers: "", "Send" or "Auth".
    QString ChainStep;

    // The recipient boxes in order, Edit11 ... Edit15.
    QList<QLineEdit*> recipientBoxes() const;
    // The recipient box named "Edit1" followed by the digit k (1 to 5).
    QLineEdit* recipientBox(int k) const;

    // The first show runs the start-up sequence (FormShow) first.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createControls();
    void createContactPage();
    void createSendingPage();
    void createHistoryPage();
    void createSettingsPage();
    void createUpcomingPage();
    void setKeyboardOrder();

    void FormShow();
    void FormClose();

    // Contact page and birthday scan (Unit1Contacts.cpp)
    void connectContactPage();
    void openContactBook(const QDate& today);
    void offerAccessConversion(const QString& path);
    // Returns false when the scan stops the start-up early.
    bool scanBirthdays(const QDateTime& startedAt);
    void greetOrClose();
    void Button1Click();
    void Button5Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void setSaveAndCancel(bool enabled);
    void focusContactGrid();
    void refreshContacts();
    bool deferWhileContactSaveWaits(std::function<void()> action);
    bool savePendingContact();
    // The grid's import (a dropped file, or one chosen when path is empty)
    // and export.
    void importContactFile(const QString& path);
    std::unique_ptr<ContactReader> openContactFile(const QString& file,
                                                   contactfiles::Format format);
    void exportContactFile();
    // The open contact book; null when opening it failed.
    std::unique_ptr<ContactStore> ADOConnection1;
    std::unique_ptr<ContactDataset> ADOTable1;
    // The walk over the book (keys and birthday scan) under way from opening
    // the book until the scan step.
    std::unique_ptr<BirthdayScanTask> m_birthdayScan;
    // An import under way behind its progress dialog; dropped (rolled back)
    // before the book it writes to.
    std::unique_ptr<ContactImportRun> m_contactImport;
    std::optional<ContactDataset::Hold> m_importHold;

    // Gateway page actions and the one-step chain (Unit1Gateway.cpp)
    void connectGateway();
    void setScheduledDate(const QDateTime& now);
    void proposeScheduledHour(int hour);
    void navigateToSmsPage();
    void openPage(const QString& address);
    QString smsPageAddress() const;
    void WebBrowser1BeforeNavigate2(const QString& address, NavigationKind kind);
    void WebBrowser1DocumentComplete(const PageLoad& load);
    // Sender is the button when pressed, nullptr when called by the one-step command.
    void BitBtn5Click(QObject* Sender);
    void BitBtn4Click();
    void BitBtn6Click();
    void BitBtn1Click();
    void BitBtn7Click();
    bool isOnSmsPage() const;
    bool isLoadingSmsPage() const;
    // Runs the action once the SMS page has loaded: at once when it has,
    // after the load when it is loading, after opening it when openIt is set.
    void whenSmsPageLoaded(std::function<void()> action, bool openIt);
    void startOneStep();
    void oneStepOnSmsPage();
    void answerLoaded();
    enum class Submitted
    {
        Nothing,
        LogIn,
        Send,
        Verify
    };
    // The answer did not refuse: the chain, if one runs, takes its next step.
    void goOnAfterAnswer(Submitted submitted);
    void endChain();
    void endChainWithError(const QString& text);
    void runGatewaySteps(const DomSteps& steps, qint64 logId = 0);
    void showWhereTheBrowserIs();
    QString gatewayOrigin() const;
    PageWait m_pageWait;
    std::function<void()> m_afterPageLoad;
    QTimer* m_pageTimer = nullptr;
    bool m_oneStepRunning = false;
    QString m_loadingAddress; // the top-level page being loaded; empty once it has loaded
    QString m_pageAddress;    // the top-level page last loaded
    QString m_pageFailure;    // why it failed to load, as the user is told; empty when it loaded
    Submitted m_submitted = Submitted::Nothing;
    qint64 m_submittedLogId = 0;

    // Today's recipients and the send log (Unit1Sending.cpp)
    // The send log, opened on first use.
    SendJournal& sendLog();
    // After a write: a log that could not take it is retried from a timer,
    // and the failure is said once.
    void watchSendLog();
    void reportSendLogFailure(const QString& failure);
    void fillRecipientBoxes(const QList<Recipient>& batch, int fromBox, bool clearRest);
    void showWaitingRecipients();
    void offerMissedBirthdays();
    void addToRecipientBoxes(const QList<Recipient>& recipients);
    void logDeclined(const QList<Recipient>& recipients, const QString& why);
    bool confirmScheduleInThePast();
    // False, after saying so, when the message holds nothing but white space.
    bool messageIsWritten();
    // Asks before the boxes' numbers greeted (or maybe greeted) today get
    // the greeting again; true when nobody in the boxes was, or on Yes.
    bool confirmSendingAgain();
    // Asks once per start whether to send again the greetings the gateway
    // never confirmed; No is recorded.
    void offerNotConfirmed();
    // With "{姓名}" in the message each friend of the boxes gets a text of
    // their own: the boxes (0 to 4) still to be sent one by one.
    QList<int> personalBoxes() const;
    // The friend's name (or names) for a number: the day's list knows
    // today's and the last days' birthdays; any other number is looked up in
    // the contact book, once. Fails (Failure) when the book cannot be read.
    QString nameFor(const QString& number);
    // The text the number in a recipient box gets.
    QString textFor(const QString& number);
    // The name a greeting to the number is for: the friend's, or the number.
    QString friendOf(const QString& number);
    // False, after naming the friend, when a text no longer fits its budget
    // once the name is filled in.
    bool messageFitsEveryone();
    void showRecipientTexts();
    qint64 logSend(const SendValues& values);
    qint64 logVerify();
    void logAnswer(qint64 logId, const AnswerPage& page, bool refused);
    void logNotSubmitted(qint64 logId, const QString& why);
    void sendNextBatch();
    void refreshHistory();
    RecipientQueue m_recipients;
    // The boxes of this batch whose own texts the chain still sends, the one
    // being sent first; empty when everybody gets the same text.
    QList<int> m_personalBoxes;
    // The book's names of numbers typed by hand, by dialled number.
    QHash<QString, QString> m_bookNames;
    QList<Recipient> m_missedBirthdays;
    QList<Recipient> m_notConfirmed;
    int m_greetedToday = 0;
    std::unique_ptr<SendJournal> m_sendLog;
    QTimer* m_sendLogTimer = nullptr;
    bool m_sendLogFailureShown = false;
    // The user chose to send although the log cannot say who was greeted today.
    bool m_sendingWithoutLog = false;

    // Saved account and message text file (Unit1Files.cpp)
    void connectFiles();
    void loadSavedAccount();
    void loadMessageText();
    void releaseSavedAccount();
    void CheckBox1Click();
    void forgetSavedAccount();
    void BitBtn2Click();
    // While the start-up's account load checks the box, the write-back's
    // failure is kept here so the load step itself fails.
    std::exception_ptr* m_accountWriteBackFailure = nullptr;
    // Settings page and the data folder (Unit1Settings.cpp)
    void connectSettings();
    void makeFirstContactBook();
    void offerFirstImport();
    void Button7Click();
    void Button6Click();
    void CheckBox2Click();
    void Button8Click();
    QString checkedGatewayAddress() const;
    std::unique_ptr<GatewayProbe> m_gatewayProbe;

    // The birthdays ahead (Unit1Upcoming.cpp)
    void connectUpcoming();
    void refreshUpcoming();
    void Button9Click();
    QList<UpcomingBirthday> m_upcoming;

    // Characters-left counter (Unit1Counter.cpp)
    void connectCounter();
    void Memo1KeyUp();
    void showCharactersLeft();

    // Expires when the window starts to go: the browser may still answer a
    // script while its view, a child of the window, is being destroyed.
    WindowLifetime m_alive;
    FormServices m_services;
    // The saved account beside the executable, while the window is open.
    std::unique_ptr<AccountFile> m_account;
    bool m_shown = false;
    bool m_inStartup = false;
    bool m_closedDuringStartup = false;
};
