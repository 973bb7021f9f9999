#include "AccessBook.h"

#include "ContactFields.h"
#include "Failure.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <memory>
#include <vector>

#include <mdbtools.h>

namespace accessbook {
namespace {

// Bytes 4 to 19 of every Jet and ACE file.
const QByteArray jetMagic("Standard Jet DB");
const QByteArray aceMagic("Standard ACE DB");

struct HandleCloser
{
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer
{
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// Jet 4 and ACE text is UTF-16LE, or, when it starts with FF FE, "compressed":
// runs of one byte per character (high byte zero) and runs of two, a zero
// byte switching between them. libmdb's own conversion loses characters
// outside the Basic Multilingual Plane, so the raw text is decoded here.
QString decodeUnicode(const unsigned char* bytes, int size)
{
    QList<char16_t> units;
    units.reserve(size);
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bool compressed = true;
        for (int i = 2; i < size;) {
            if (bytes[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                units.append(bytes[i]);
                ++i;
            } else if (i + 1 < size) {
                units.append(char16_t(bytes[i] | bytes[i + 1] << 8));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        for (int i = 0; i + 1 < size; i += 2)
            units.append(char16_t(bytes[i] | bytes[i + 1] << 8));
    }
    return QString::fromUtf16(units.constData(), units.size());
}

// ICU's name for a Windows code page.
QByteArray codecName(int codePage)
{
    return "windows-" + QByteArray::number(codePage);
}

bool decodesCleanly(const QByteArray& codec, const QByteArray& bytes)
{
    QStringDecoder decoder(codec.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return false;
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && !text.contains(QChar::ReplacementCharacter);
}

// Jet 3 text is in the code page the file declares. Files written on a
// Chinese system often declare none or a Western one all the same, and almost
// any bytes read as something in a Western code page: there, text that reads
// cleanly as code page 950 and has characters beyond ASCII is taken as 950,
// as is text that does not read cleanly in the declared page.
QByteArray jet3Codec(int declared, const QByteArray& texts)
{
    const bool western = declared == 0 || declared == 437 || declared == 850 ||
                         (declared >= 1250 && declared <= 1258);
    const QByteArray named = codecName(declared == 0 ? 1252 : declared);
    if (!western)
        return QStringDecoder(named.constData()).isValid() ? named : codecName(950);
    const bool beyondAscii =
        std::any_of(texts.cbegin(), texts.cend(), [](char c) { return c & 0x80; });
    if ((beyondAscii && decodesCleanly(codecName(950), texts)) || !decodesCleanly(named, texts))
        return codecName(950);
    return named;
}

// A Jet 3 column name as the file holds it: libmdb gives it decoded with
// the declared code page, which is undone here, so that it is decoded with
// the rows' code page instead.
QByteArray rawColumnName(MdbColumn* column, int declared)
{
    const QByteArray codec = codecName(declared == 0 ? 1252 : declared);
    QStringEncoder encoder(codec.constData());
    const QString name = QString::fromUtf8(column->name);
    if (!encoder.isValid())
        return name.toUtf8();
    const QByteArray raw = encoder.encode(name);
    return encoder.hasError() ? name.toUtf8() : raw;
}

// The names a column may have: libmdb's, and for Jet 3 its bytes in code page
// 950, since the rows may be read that way.
QStringList columnNames(MdbColumn* column, bool jet3, int declared)
{
    QStringList names{QString::fromUtf8(column->name)};
    if (jet3) {
        QStringDecoder big5(codecName(950).constData());
        names << big5.decode(rawColumnName(column, declared));
    }
    return names;
}

// Whether the catalog names the table, although it could not be read.
bool listsTable(MdbHandle* mdb, const QByteArray& name)
{
    for (unsigned int k = 0; k < mdb->num_catalog; ++k) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, k));
        if (entry->object_type == MDB_TABLE && qstricmp(entry->object_name, name.constData()) == 0)
            return true;
    }
    return false;
}

// A copy cut short at a page boundary still opens; the pages past its end
// then read as nothing at all. Every page the table's definition and its
// usage map name must lie inside the file.
void requirePagesInside(MdbHandle* mdb, MdbTableDef* table, guint32 pages)
{
    const Failure pastEnd(QStringLiteral("Access 資料庫已損壞：資料頁超出檔案結尾"));
    if (table->entry->table_pg >= pages || table->map_base_pg >= pages ||
        table->freemap_base_pg >= pages)
        throw pastEnd;
    // A usage map of type 1 lists the pages that hold the map itself.
    if (table->map_sz > 0 && table->usage_map[0] == 1) {
        for (size_t at = 1; at + 4 <= table->map_sz; at += 4) {
            if (guint32(mdb_get_int32(table->usage_map, int(at))) >= pages)
                throw pastEnd;
        }
    }
    guint32 previous = 0;
    for (gint32 page = mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz), 0);
         page > 0 && guint32(page) > previous;
         page = mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz), guint32(page))) {
        if (guint32(page) >= pages)
            throw pastEnd;
        previous = guint32(page);
    }
}

} // namespace

bool isAccessFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(20);
    return header.size() == 20 && (header.mid(4, 15) == jetMagic || header.mid(4, 15) == aceMagic);
}

ContactRecords read(const QString& path)
{
    if (!isAccessFile(path))
        throw Failure(QStringLiteral("「%1」不是 Access 資料庫檔。").arg(path));
    std::unique_ptr<MdbHandle, HandleCloser> mdb(
        mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb)
        throw Failure(
            QStringLiteral("無法開啟 Access 資料庫「%1」：檔案已損壞或無法讀取。").arg(path));
    // A file cut short or with an unreadable catalog has no tables to offer.
    const qint64 pageSize = mdb->fmt->pg_size;
    const QString damaged = QStringLiteral("Access 資料庫「%1」已損壞或不完整。").arg(path);
    if (pageSize <= 0 || QFileInfo(path).size() % pageSize != 0)
        throw Failure(damaged);
    const QByteArray tableName = contactfields::table.toString().toUtf8();
    std::unique_ptr<MdbTableDef, TableFreer> table(
        mdb_read_table_by_name(mdb.get(), const_cast<char*>(tableName.constData()), MDB_TABLE));
    if (!table && (mdb->num_catalog == 0 || listsTable(mdb.get(), tableName)))
        throw Failure(damaged);
    if (!table)
        throw Failure(QStringLiteral("Access 資料庫「%1」裡沒有資料表 contact。").arg(path));
    if (!mdb_read_columns(table.get()))
        throw Failure(QStringLiteral("Access 資料庫「%1」的資料表 contact 已損壞。").arg(path));
    requirePagesInside(mdb.get(), table.get(), guint32(QFileInfo(path).size() / pageSize));

    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    const int declared = mdb->f->code_page;
    std::array<int, contactfields::count> columns{};
    for (int field = 0; field < contactfields::count; ++field) {
        columns[field] = -1;
        for (unsigned int k = 0; k < table->num_cols; ++k) {
            auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k));
            if (!columnNames(column, jet3, declared)
                     .contains(contactfields::names[field].toString(), Qt::CaseInsensitive))
                continue;
            if (column->col_type != MDB_TEXT) {
                throw Failure(QStringLiteral("Access 資料庫「%1」的欄位「%2」不是文字。")
                                  .arg(path, contactfields::names[field]));
            }
            columns[field] = int(k);
        }
        if (columns[field] < 0) {
            throw Failure(QStringLiteral("Access 資料庫「%1」的資料表 contact 沒有欄位「%2」。")
                              .arg(path, contactfields::names[field]));
        }
    }

    // Jet 3 text is collected as bytes first: its code page is chosen over
    // the whole table.
    QList<std::array<std::optional<QByteArray>, contactfields::count>> jet3Rows;
    ContactRecords records;
    std::vector<MdbField> fields(table->num_cols + 1);
    mdb_rewind_table(table.get());
    int row = 0;
    while (mdb_fetch_row(table.get())) {
        ++row;
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb.get(), int(table->cur_row) - 1, &start, &size) != 0 ||
            mdb_crack_row(table.get(), start, size, fields.data()) <= 0) {
            throw Failure(
                QStringLiteral("Access 資料庫「%1」的第 %2 列已損壞。").arg(path).arg(row));
        }
        ContactRecord record;
        record.where = QStringLiteral("第 %1 列").arg(row);
        std::array<std::optional<QByteArray>, contactfields::count> raw;
        for (int field = 0; field < contactfields::count; ++field) {
            const MdbField& value = fields[columns[field]];
            if (value.is_null)
                continue;
            const auto* bytes = static_cast<const unsigned char*>(value.value);
            const int length = value.siz < 0 ? 0 : value.siz;
            if (jet3)
                raw[field] = QByteArray(reinterpret_cast<const char*>(bytes), length);
            else
                record.fields[field] = decodeUnicode(bytes, length);
        }
        if (jet3)
            jet3Rows.append(raw);
        records.append(record);
    }

    // libmdb reads no rows, and reports nothing, from a data page it cannot
    // read: the count the table keeps is what tells.
    if (row != int(table->num_rows)) {
        throw Failure(QStringLiteral("Access 資料庫已損壞：資料表 contact 記載 %1 筆聯絡人，"
                                     "卻只讀得到 %2 筆。")
                          .arg(table->num_rows)
                          .arg(row));
    }

    if (jet3) {
        // The column names are text of the same file: they take part in the
        // choice, and must read right in the code page chosen.
        QByteArray texts;
        for (const int column : columns) {
            texts +=
                rawColumnName(static_cast<MdbColumn*>(g_ptr_array_index(table->columns, column)),
                              declared) +
                '\n';
        }
        for (const auto& raw : jet3Rows) {
            for (const auto& text : raw) {
                if (text)
                    texts += *text + '\n';
            }
        }
        const QByteArray codec = jet3Codec(declared, texts);
        for (int field = 0; field < contactfields::count; ++field) {
            auto* column =
                static_cast<MdbColumn*>(g_ptr_array_index(table->columns, columns[field]));
            QStringDecoder decoder(codec.constData());
            if (QString(decoder.decode(rawColumnName(column, declared)))
                    .compare(contactfields::names[field], Qt::CaseInsensitive) != 0) {
                throw Failure(QStringLiteral("Access 資料庫「%1」的資料表 contact 沒有欄位「%2」。")
                                  .arg(path, contactfields::names[field]));
            }
        }
        for (qsizetype k = 0; k < records.size(); ++k) {
            for (int field = 0; field < contactfields::count; ++field) {
                if (jet3Rows[k][field]) {
                    QStringDecoder decoder(codec.constData());
                    records[k].fields[field] = decoder.decode(*jet3Rows[k][field]);
                }
            }
        }
    }
    return records;
}

} // namespace accessbook
