#include "Unit1.h"

#include "BrowserHost.h"
#include "DatePicker.h"
#include "Dialogs.h"
#include "Failure.h"
#include "GatewayActions.h"
#include "GatewayAddress.h"
#include "Guard.h"
#include "LastUrl.h"
#include "Memo.h"
#include "OneStepChain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

void TForm1::connectGateway()
{
    Dialogs& dialogs = *m_services.dialogs;
    // Failures inside the browser's events end there, shown in the error box;
    // they never travel back into the browser.
    connect(m_services.browser, &BrowserHost::navigationStarting, this,
            [this, &dialogs](const QString& address) {
                runGuarded(dialogs, [&] { WebBrowser1BeforeNavigate2(address); });
            });
    connect(m_services.browser, &BrowserHost::documentComplete, this,
            guardedSlot(dialogs, [this] { WebBrowser1DocumentComplete(); }));
    connect(BitBtn5, &QPushButton::clicked, this,
            guardedSlot(dialogs, [this] { BitBtn5Click(BitBtn5); }));
    connect(BitBtn4, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { BitBtn4Click(); }));
    connect(BitBtn6, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { BitBtn6Click(); }));
    connect(BitBtn1, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { BitBtn1Click(); }));
    connect(BitBtn7, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { BitBtn7Click(); }));
}

void TForm1::setScheduledDate(const QDateTime& now)
{
    DateTimePicker1->setDateTime(now);
}

void TForm1::proposeScheduledHour(int hour)
{
    // The next hour without a leading zero, although the list items have two digits.
    ComboBox1->setCurrentText(QString::number(hour + 1));
    ComboBox2->setCurrentText(QStringLiteral("00"));
}

void TForm1::navigateToSmsPage()
{
    m_services.browser->navigate(GatewayAddress::smsPage(m_services.gatewayBase));
}

void TForm1::WebBrowser1BeforeNavigate2(const QString& address)
{
    LastUrl = address;
}

void TForm1::WebBrowser1DocumentComplete()
{
    switch (OneStepChain::onDocumentComplete(ChainStep)) {
    case OneStepChain::Next::PressSend:
        BitBtn4->click();
        break;
    case OneStepChain::Next::PressVerify:
        BitBtn6->click();
        break;
    case OneStepChain::Next::Nothing:
        break;
    }
}

void TForm1::BitBtn5Click(QObject* Sender)
{
    if (LastUrl != GatewayAddress::smsPage(m_services.gatewayBase))
        return;
    ChainStep = OneStepChain::afterLogIn(Sender == nullptr);
    PageControl1->setCurrentIndex(1);
    runGatewaySteps(GatewayActions::logIn(Edit1->text(), Edit2->text()));
}

void TForm1::BitBtn4Click()
{
    ChainStep = OneStepChain::afterSend(ChainStep);
    PageControl1->setCurrentIndex(1);
    SendValues values;
    values.message = Memo1->text();
    for (QLineEdit* box : recipientBoxes())
        values.recipients << box->text();
    values.immediate = RadioButton1->isChecked();
    values.date = DateTimePicker1->date();
    values.hour = ComboBox1->currentText();
    values.minute = ComboBox2->currentText();
    runGatewaySteps(GatewayActions::send(values));
}

void TForm1::BitBtn6Click()
{
    ChainStep = OneStepChain::afterVerify();
    PageControl1->setCurrentIndex(1);
    runGatewaySteps(GatewayActions::verify(Edit5->text()));
}

void TForm1::BitBtn1Click()
{
    m_services.browser->navigate(GatewayAddress::logoutPage(m_services.gatewayBase));
}

void TForm1::BitBtn7Click()
{
    if (Edit11->text().isEmpty()) {
        m_services.dialogs->showMessage(QStringLiteral("請填入接收者門號"));
        Edit11->setFocus();
        throw SilentAbort();
    }
    BitBtn5Click(nullptr);
}

void TForm1::runGatewaySteps(const DomSteps& steps)
{
    // The steps finish after the handler has returned; their failure gets the
    // error box then. The window may be gone by that time.
    QPointer<TForm1> form(this);
    m_services.browser->runSteps(steps, [form](const QString& failure) {
        if (!form || failure.isEmpty())
            return;
        form->m_services.dialogs->showError(errorBoxText(failure));
    });
}
