#include "PersonalMessage.h"

#include <QTest>

// The name filled into a greeting, and the greeting without one.
class TestPersonalMessage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void forName_data();
    void forName();
    void hasPlaceholder_data();
    void hasPlaceholder();
    void countForFriends_data();
    void countForFriends();
};

void TestPersonalMessage::forName_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("Chinese name") << QStringLiteral("親愛的 {姓名}，生日快樂！")
                                  << QStringLiteral("王小明")
                                  << QStringLiteral("親愛的 王小明，生日快樂！");
    QTest::newRow("Latin name") << QStringLiteral("Happy birthday, {name}!")
                                << QStringLiteral("Anna Lee")
                                << QStringLiteral("Happy birthday, Anna Lee!");
    QTest::newRow("placeholder twice")
        << QStringLiteral("{姓名}生日快樂，{姓名}！") << QStringLiteral("阿華")
        << QStringLiteral("阿華生日快樂，阿華！");
    QTest::newRow("no placeholder")
        << QStringLiteral("生日快樂") << QStringLiteral("阿華") << QStringLiteral("生日快樂");
    QTest::newRow("other braces stay")
        << QStringLiteral("{名字} {NAME} {姓名 }") << QStringLiteral("阿華")
        << QStringLiteral("{名字} {NAME} {姓名 }");
    QTest::newRow("no name, before punctuation")
        << QStringLiteral("親愛的 {姓名}，生日快樂！") << QString()
        << QStringLiteral("親愛的，生日快樂！");
    QTest::newRow("no name, between words")
        << QStringLiteral("Happy birthday {name} and many more") << QString()
        << QStringLiteral("Happy birthday and many more");
    QTest::newRow("no name, at the start")
        << QStringLiteral("{name} happy birthday") << QString() << QStringLiteral("happy birthday");
    QTest::newRow("no name, at the end")
        << QStringLiteral("Happy birthday {name}") << QString() << QStringLiteral("Happy birthday");
    QTest::newRow("no name, at a line's end")
        << QStringLiteral("Dear {name}\r\nhappy birthday") << QString()
        << QStringLiteral("Dear\r\nhappy birthday");
    QTest::newRow("no name, placeholder twice")
        << QStringLiteral("Hi {name} {姓名} there") << QString() << QStringLiteral("Hi there");
    QTest::newRow("no name, ideographic spaces")
        << QStringLiteral("祝　{姓名}　生日快樂") << QString() << QStringLiteral("祝　生日快樂");
    QTest::newRow("no name, no spaces")
        << QStringLiteral("祝{姓名}生日快樂") << QString() << QStringLiteral("祝生日快樂");
}

void TestPersonalMessage::forName()
{
    QFETCH(QString, message);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QCOMPARE(PersonalMessage::forName(message, name), text);
}

void TestPersonalMessage::hasPlaceholder_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("has");
    QTest::newRow("Chinese") << QStringLiteral("祝{姓名}快樂") << true;
    QTest::newRow("Latin") << QStringLiteral("Hi {name}") << true;
    QTest::newRow("none") << QStringLiteral("生日快樂 {}") << false;
}

void TestPersonalMessage::hasPlaceholder()
{
    QFETCH(QString, message);
    QFETCH(bool, has);
    QCOMPARE(PersonalMessage::hasPlaceholder(message), has);
}

void TestPersonalMessage::countForFriends_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("remaining");
    QTest::addColumn<int>("tightest");
    QTest::addColumn<QString>("text");

    const QString letters = QString(136, QLatin1Char('a'));
    QTest::newRow("the longest name")
        << QStringLiteral("{姓名}生日快樂") << QStringList{"王小明", "阿華"} << 63 << 0
        << QStringLiteral("{姓名}生日快樂");
    // A Chinese name moves a Latin text to the 70 budget.
    QTest::newRow("a Chinese name in a Latin text")
        << QStringLiteral("Happy birthday {name}") << QStringList{"Alexandra", "王"} << 54 << 1
        << QStringLiteral("Happy birthday {name}");
    QTest::newRow("no name known") << QStringLiteral("Dear {name}, hi") << QStringList{""} << 132
                                   << 0 << QStringLiteral("Dear {name}, hi");
    QTest::newRow("too long for the longest name: cut before the caret")
        << QStringLiteral("{name} ") + letters << QStringList{"Bob", "Alexandra"} << 0 << 1
        << QStringLiteral("{name} ") + letters.first(130);
    QTest::newRow("no placeholder: the plain count")
        << QStringLiteral("hello") << QStringList{"王小明"} << 135 << -1 << QStringLiteral("hello");
}

void TestPersonalMessage::countForFriends()
{
    QFETCH(QString, message);
    QFETCH(QStringList, names);
    QFETCH(int, remaining);
    QFETCH(int, tightest);
    QFETCH(QString, text);
    const PersonalMessage::FriendCount counted =
        PersonalMessage::countForFriends(message, message.size(), names);
    QCOMPARE(counted.counted.count.remaining, remaining);
    QCOMPARE(counted.tightest, tightest);
    QCOMPARE(counted.counted.count.text, text);
    QCOMPARE(counted.counted.count.cut, text != message);
}

QTEST_APPLESS_MAIN(TestPersonalMessage)
#include "test_personalmessage.moc"
