#include "IniFile.h"

#include "ReplaceFile.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace data {

struct TIniFile::Impl {
    CSimpleIniA ini{false, false, false};
};

TIniFile::TIniFile(std::string path) : path_(std::move(path)), d(new Impl)
{
    d->ini.SetSpaces(false);
    d->ini.LoadFile(path_.c_str()); // missing or unreadable: empty, as the profile calls treat it
}

TIniFile::~TIniFile() { delete d; }

std::string TIniFile::readString(const std::string &section, const std::string &key, const std::string &def) const
{
    const char *v = d->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return v ? std::string(v) : def;
}

bool TIniFile::sectionExists(const std::string &section) const
{
    return d->ini.GetSection(section.c_str()) != nullptr;
}

std::vector<std::pair<std::string, std::string>> TIniFile::sectionValues(const std::string &section) const
{
    CSimpleIniA::TNamesDepend keys;
    d->ini.GetAllKeys(section.c_str(), keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto &k : keys)
        out.emplace_back(k.pItem, d->ini.GetValue(section.c_str(), k.pItem, ""));
    return out;
}

void TIniFile::writeString(const std::string &section, const std::string &key, const std::string &value)
{
    d->ini.SetValue(section.c_str(), key.c_str(), value.c_str());
    std::string text;
    d->ini.Save(text);
    replaceFile(path_, QByteArrayView(text.data(), qsizetype(text.size())));
}

} // namespace data
