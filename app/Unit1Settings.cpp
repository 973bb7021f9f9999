// The "設定" page (the gateway's address, the log-in autostart entry, the
// data folder) and the first start in a new data folder.
#include "Unit1.h"

#include "AutostartEntry.h"
#include "ContactBookTool.h"
#include "Dialogs.h"
#include "Failure.h"
#include "GatewayAddress.h"
#include "GatewayProbe.h"
#include "Guard.h"
#include "SettingsFile.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr int probeTimeoutMs = 10000;

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

void TForm1::createSettingsPage()
{
    auto* layout = new QGridLayout(TabSheet4);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(5, 1);

    Label12 = named(new QLabel(QStringLiteral("簡訊閘道位址"), TabSheet4), "Label12");
    Edit3 = named(new QLineEdit(TabSheet4), "Edit3");
    Edit3->setAccessibleName(Label12->text());
    const QString saved = SettingsFile(m_services.exeDir).gatewayAddress();
    Edit3->setText(saved.isEmpty() ? m_services.builtInGateway : saved);
    Button7 = named(new QPushButton(QStringLiteral("儲存"), TabSheet4), "Button7");
    Button6 = named(new QPushButton(QStringLiteral("測試"), TabSheet4), "Button6");
    Label13 = named(new QLabel(TabSheet4), "Label13");
    if (m_services.gatewayFromEnvironment) {
        Label13->setText(QStringLiteral("環境變數 SELVANTO_GATEWAY_URL 指定的位址 %1 優先使用。")
                             .arg(m_services.gatewayBase));
    }
    layout->addWidget(Label12, 0, 0);
    layout->addWidget(Edit3, 0, 1);
    layout->addWidget(Button7, 0, 2);
    layout->addWidget(Button6, 0, 3);
    layout->addWidget(Label13, 1, 1, 1, 3);

    CheckBox2 = named(new QCheckBox(QStringLiteral("登入時自動啟動"), TabSheet4), "CheckBox2");
    CheckBox2->setChecked(
        AutostartEntry(m_services.autostartFolder, m_services.programCommand).exists());
    layout->addWidget(CheckBox2, 2, 1, 1, 3, Qt::AlignLeft);

    Label14 = named(new QLabel(QStringLiteral("資料夾"), TabSheet4), "Label14");
    Edit6 = named(new QLineEdit(QDir::toNativeSeparators(m_services.exeDir), TabSheet4), "Edit6");
    Edit6->setReadOnly(true);
    Edit6->setAccessibleName(Label14->text());
    Button8 = named(new QPushButton(QStringLiteral("開啟資料夾"), TabSheet4), "Button8");
    layout->addWidget(Label14, 3, 0);
    layout->addWidget(Edit6, 3, 1, 1, 2);
    layout->addWidget(Button8, 3, 3);
}

void TForm1::connectSettings()
{
    Dialogs& dialogs = *m_services.dialogs;
    connect(Button7, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { Button7Click(); }));
    connect(Button6, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { Button6Click(); }));
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
    connect(Button8, &QPushButton::clicked, this, guardedSlot(dialogs, [this] { Button8Click(); }));
}

QString TForm1::checkedGatewayAddress() const
{
    const QString typed = Edit3->text().trimmed();
    if (!GatewayAddress::isUsable(typed)) {
        throw Failure(QStringLiteral("「%1」不是簡訊閘道的網址：請輸入 http:// 或 https:// "
                                     "開頭的網址，例如 https://sms.example.com")
                          .arg(typed));
    }
    return GatewayAddress::normalised(typed);
}

void TForm1::Button7Click()
{
    const QString address = checkedGatewayAddress();
    SettingsFile(m_services.exeDir).setGatewayAddress(address);
    Edit3->setText(address);
    if (m_services.gatewayFromEnvironment) {
        m_services.dialogs->showMessage(
            QStringLiteral("已儲存簡訊閘道位址 %1。環境變數 SELVANTO_GATEWAY_URL 仍優先使用。")
                .arg(address));
        return;
    }
    // The browser goes to the new gateway's SMS page, as at start-up.
    m_services.gatewayBase = address;
    navigateToSmsPage();
    m_services.dialogs->showMessage(QStringLiteral("已儲存簡訊閘道位址 %1。").arg(address));
}

void TForm1::Button6Click()
{
    const QString address = checkedGatewayAddress();
    if (!m_gatewayProbe)
        m_gatewayProbe = std::make_unique<GatewayProbe>();
    Button6->setEnabled(false);
    m_gatewayProbe->ask(
        address, probeTimeoutMs, [this, address](const GatewayProbe::Answer& answer) {
            Button6->setEnabled(true);
            if (answer.answered) {
                m_services.dialogs->showMessage(QStringLiteral("簡訊閘道 %1 有回應（HTTP %2）。")
                                                    .arg(address)
                                                    .arg(answer.status));
            } else {
                m_services.dialogs->showError(
                    QStringLiteral("簡訊閘道 %1 沒有回應：%2").arg(address, answer.error));
            }
        });
}

void TForm1::CheckBox2Click()
{
    const AutostartEntry entry(m_services.autostartFolder, m_services.programCommand);
    const bool checked = CheckBox2->isChecked();
    // A refused write or removal leaves the box showing what is on disk.
    if (!runGuarded(*m_services.dialogs, [&] { checked ? entry.write() : entry.remove(); }))
        CheckBox2->setChecked(entry.exists());
}

void TForm1::Button8Click()
{
    if (!m_services.openFolder || !m_services.openFolder(m_services.exeDir)) {
        throw Failure(
            QStringLiteral("無法開啟資料夾 %1").arg(QDir::toNativeSeparators(m_services.exeDir)));
    }
}

void TForm1::makeFirstContactBook()
{
    const QString path = m_services.exeDir + QStringLiteral("contact.mdb");
    if (!QFileInfo::exists(path))
        createContactBook(path);
}

void TForm1::offerFirstImport()
{
    const bool import = m_services.dialogs->askYesNo(
        QStringLiteral("Selvanto 的資料夾 %1 已建立，裡面的通訊錄是空的。\n"
                       "要現在匯入聯絡人嗎？（之後也可以在通訊錄上按右鍵匯入）")
            .arg(QDir::toNativeSeparators(m_services.exeDir)));
    if (import) {
        PageControl1->setCurrentWidget(TabSheet1);
        importContactFile(QString());
    }
}
