#include "simmac/InfoPlist.h"

#include "platform/PlistApi.h"

#include <cctype>
#include <memory>
#include <stdexcept>

namespace {

std::string identifierPart(const std::string& name)
{
    std::string part;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            part += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return part.empty() ? std::string("plugin") : part;
}

} // namespace

std::string pluginInfoPlist(const std::string& name, const std::optional<std::string>& version,
                            PlistForm form)
{
    std::unique_ptr<void, decltype(&plist_free)> dict(plist_new_dict(), &plist_free);
    plist_dict_set_item(dict.get(), "CFBundleIdentifier",
                        plist_new_string(("audio.brenvoss.plugin." + identifierPart(name)).c_str()));
    plist_dict_set_item(dict.get(), "CFBundleName", plist_new_string(name.c_str()));
    plist_dict_set_item(dict.get(), "CFBundlePackageType", plist_new_string("BNDL"));
    if (version)
        plist_dict_set_item(dict.get(), "CFBundleShortVersionString", plist_new_string(version->c_str()));

    char* bytes = nullptr;
    uint32_t length = 0;
    if (form == PlistForm::Binary)
        plist_to_bin(dict.get(), &bytes, &length);
    else
        plist_to_xml(dict.get(), &bytes, &length);
    if (!bytes)
        throw std::runtime_error("libplist could not encode an Info.plist");
    std::string result(bytes, length);
    plistMemFree(bytes);
    return result;
}
