// Makes a large Jet 4 contact book for the conversion benchmark out of the
// small one in tests/data: fills its one data page of the table "contact"
// with rows through libmdb, then appends copies of that page and marks them
// in the table's page map. libmdb cannot add pages itself.
//
//   selvanto-bench-make-access SMALL.mdb OUT.mdb PAGES
// gives PAGES * 50 rows.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstring>

#include <mdbtools.h>

namespace {

constexpr int pageSize = 4096;
constexpr int rowsPerPage = 50;

quint32 int32At(const QByteArray& bytes, qsizetype at)
{
    quint32 value = 0;
    std::memcpy(&value, bytes.constData() + at, 4);
    return value;
}

quint16 int16At(const QByteArray& bytes, qsizetype at)
{
    quint16 value = 0;
    std::memcpy(&value, bytes.constData() + at, 2);
    return value;
}

QByteArray ucs2(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// Fills the table's data page up to rowsPerPage rows; returns the tdef page.
int fillFirstPage(const char* path)
{
    MdbHandle* mdb = mdb_open(path, MDB_WRITABLE);
    if (!mdb)
        return -1;
    MdbTableDef* table = mdb_read_table_by_name(mdb, const_cast<char*>("contact"), MDB_TABLE);
    if (!table || !mdb_read_columns(table))
        return -1;
    mdb_read_indices(table);
    const int tdef = int(table->entry->table_pg);
    for (int i = int(table->num_rows); i < rowsPerPage; ++i) {
        const QByteArray name = ucs2(QStringLiteral("聯絡人%1").arg(i));
        const QByteArray birthday = ucs2(QStringLiteral("%1%2%3")
                                             .arg(50 + i % 50)
                                             .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                                             .arg(1 + i % 28, 2, 10, QLatin1Char('0')));
        const QByteArray mobile = ucs2(QStringLiteral("09%1").arg(i, 8, 10, QLatin1Char('0')));
        MdbField fields[3];
        const QByteArray* values[3] = {&name, &birthday, &mobile};
        for (int k = 0; k < 3; ++k)
            mdb_fill_temp_field(&fields[k], const_cast<char*>(values[k]->constData()),
                                int(values[k]->size()), 0, 0, 0, k);
        if (!mdb_insert_row(table, 3, fields))
            return -1;
    }
    mdb_free_tabledef(table);
    mdb_close(mdb);
    return tdef;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SMALL.mdb OUT.mdb PAGES\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    const int pages = std::atoi(argv[3]);
    QFile::remove(out);
    if (!QFile::copy(QString::fromLocal8Bit(argv[1]), out) ||
        !QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner))
        return 1;
    const int tdef = fillFirstPage(argv[2]);
    QFile file(out);
    if (tdef < 0 || !file.open(QIODevice::ReadWrite))
        return 1;
    QByteArray bytes = file.readAll();
    // The page map: tdef offset 55 names the row holding it (row number in
    // the low byte, page above); a type 1 map lists pages of bitmaps.
    const quint32 mapPointer = int32At(bytes, qsizetype(tdef) * pageSize + 55);
    const qsizetype mapRowPage = qsizetype(mapPointer >> 8) * pageSize;
    const qsizetype mapRow =
        mapRowPage + (int16At(bytes, mapRowPage + 14 + 2 * (mapPointer & 0xFF)) & 0x1FFF);
    if (bytes[mapRow] != 1) {
        std::fprintf(stderr, "the table's page map is not a list of bitmap pages\n");
        return 1;
    }
    const qsizetype bitmap = qsizetype(int32At(bytes, mapRow + 1)) * pageSize + 4;
    int dataPage = -1;
    for (qsizetype page = 0; page < bytes.size() / pageSize; ++page) {
        const qsizetype at = page * pageSize;
        if (bytes[at] == 1 && int(int32At(bytes, at + 4)) == tdef && int16At(bytes, at + 12) > 0)
            dataPage = int(page);
    }
    if (dataPage < 0)
        return 1;
    const QByteArray page = bytes.mid(qsizetype(dataPage) * pageSize, pageSize);
    for (int copy = 1; copy < pages; ++copy) {
        const qsizetype number = bytes.size() / pageSize;
        bytes += page;
        bytes[bitmap + number / 8] = char(bytes[bitmap + number / 8] | (1 << (number % 8)));
    }
    const quint32 rows = quint32(pages) * rowsPerPage;
    std::memcpy(bytes.data() + qsizetype(tdef) * pageSize + 16, &rows, 4);
    file.seek(0);
    return file.write(bytes) == bytes.size() && file.flush() ? 0 : 1;
}
