#include "Builtins.h"

#include "GridFormula.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

// Entries bucketed by first letter, in registration order within a letter.
struct TBuiltinTable {
    std::array<std::vector<TBuiltinEntry>, 26> ByLetter;
    int Count = 0;
};

TBuiltinTable& Table()
{
    static TBuiltinTable table;  // built on first use: safe during static init
    return table;
}

bool SameName(const char* name, QStringView upper)
{
    const size_t len = std::strlen(name);
    if (len != static_cast<size_t>(upper.size()))
        return false;
    for (size_t k = 0; k < len; ++k)
        if (char16_t(static_cast<unsigned char>(name[k])) != upper[static_cast<qsizetype>(k)].unicode())
            return false;
    return true;
}

int Bucket(char16_t first)
{
    if (first >= 'a' && first <= 'z')
        first = char16_t(first - 32);
    return first >= 'A' && first <= 'Z' ? first - 'A' : -1;
}

}  // namespace

TBuiltinRegistrar::TBuiltinRegistrar(std::initializer_list<TBuiltinEntry> entries)
{
    TBuiltinTable& t = Table();
    for (const TBuiltinEntry& e : entries) {
        if (!e.Name || !e.Func)
            continue;
        const int b = Bucket(static_cast<unsigned char>(e.Name[0]));
        if (b < 0 || FindBuiltin(QString::fromLatin1(e.Name)))
            continue;
        t.ByLetter[static_cast<size_t>(b)].push_back(e);
        ++t.Count;
    }
}

const TBuiltinEntry* FindBuiltin(QStringView upperName)
{
    if (upperName.isEmpty())
        return nullptr;
    const int b = Bucket(upperName[0].unicode());
    if (b < 0)
        return nullptr;
    for (const TBuiltinEntry& e : Table().ByLetter[static_cast<size_t>(b)])
        if (SameName(e.Name, upperName))
            return &e;
    return nullptr;
}

int BuiltinCount() { return Table().Count; }

void TBuiltinCall::Error(int code, int position) { Formula.ReportError(position, code); }
int TBuiltinCall::Col() const { return Formula.Col(); }
int TBuiltinCall::Row() const { return Formula.Row(); }
