#include "simmac/DemoVendor.h"

#include "publish/CatalogueWriter.h"
#include "simmac/Digest.h"
#include "simmac/InfoPlist.h"
#include "simmac/PackageFormat.h"
#include "simmac/PackageInstall.h"
#include "simmac/SimulatedMac.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr char kTree[] = "downloads/tesselar";
constexpr char kCollectionVersion[] = "2026.12";
constexpr char kReleaseVersion[] = "1.5.0";

// Deterministic filler for a plugin's executable, so packages have a
// plausible size and the same digest every time they are built.
std::uint32_t fnv1a(const std::string& text)
{
    std::uint32_t hash = 2166136261u;
    for (char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

std::string pseudoBinary(const std::string& seed, std::size_t size)
{
    std::uint32_t state = fnv1a(seed) | 1u; // xorshift must not start at 0
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state & 0xff);
    }
    return bytes;
}

// Each version has an address of its own, so no cache between the vendor
// and a musician can hand out an older package for a newer catalogue.
std::string packageUrlPath(const std::string& edition, const DemoPlugin& plugin)
{
    return std::string(kTree) + (edition == "DSP" ? "/packages/dsp/" : "/packages/") + plugin.slug + "-" +
           plugin.packageVersion + ".pkg";
}

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

QStringList qsList(const std::vector<std::string>& list)
{
    QStringList result;
    for (const auto& item : list)
        result.append(qs(item));
    return result;
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Some catalogue entries name a file inside the bundle rather than the
// bundle itself, as receipts do; the app reduces both to the bundle.
std::vector<std::string> installPathsOf(const DemoPlugin& plugin)
{
    std::vector<std::string> paths;
    for (const auto& format : plugin.formats) {
        std::string path = demoBundlePath(plugin.name, format);
        if (plugin.slug == "prism-eq")
            path += "/Contents/Info.plist";
        paths.push_back(path);
    }
    return paths;
}

// Writes the edition's packages under `dir` and returns its catalogue, made
// as the vendor's tool makes one.
QByteArray catalogue(const std::string& edition, const fs::path& dir, const std::string& baseUrl)
{
    Manifest manifest{qs(edition), qs(kCollectionVersion), {}};
    for (const DemoPlugin& plugin : demoPlugins(edition)) {
        const std::string package = demoPackage(edition, plugin);
        const std::string urlPath = packageUrlPath(edition, plugin);
        writeFile(dir / urlPath, package);
        PluginComponent component;
        component.slug = qs(plugin.slug);
        component.name = qs(plugin.name);
        component.packageId = qs(demoPackageId(edition, plugin.slug));
        component.version = qs(plugin.packageVersion);
        if (plugin.pluginVersion)
            component.pluginVersion = qs(*plugin.pluginVersion);
        component.sha256 = qs(sha256Hex(package));
        component.sizeBytes = qint64(package.size());
        component.url = QUrl(qs(baseUrl + "/" + urlPath));
        component.formats = qsList(plugin.formats);
        component.installPaths = qsList(installPathsOf(plugin));
        manifest.components.append(component);
    }
    return encodeManifest(manifest);
}

// Every path of the bundle at relative path `bundle` under `root`, bundle
// first, as a receipt lists them.
std::vector<std::string> receiptPathsOf(const fs::path& root, const std::vector<std::string>& bundles)
{
    std::vector<std::string> paths;
    for (const auto& bundle : bundles) {
        paths.push_back(bundle);
        for (const auto& entry : fs::recursive_directory_iterator(root / bundle))
            paths.push_back(fs::relative(entry.path(), root).generic_string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

void installLooseBundles(const fs::path& root, const DemoPlugin& plugin,
                         const std::map<std::string, std::optional<std::string>>& versionByFormat)
{
    std::vector<std::string> bundles;
    bool binary = false;
    for (const auto& format : plugin.formats) {
        const std::string bundle = demoBundlePath(plugin.name, format);
        // Alternate the plist forms so the demo Mac has both.
        installBundle(root, "/" + bundle, versionByFormat.at(format), binary);
        binary = !binary;
        bundles.push_back(bundle);
    }
    writeReceipt(root, demoPackageId("Native", plugin.slug), receiptPathsOf(root, bundles));
}

std::map<std::string, std::optional<std::string>> sameVersion(const DemoPlugin& plugin,
                                                              const std::optional<std::string>& version)
{
    std::map<std::string, std::optional<std::string>> versions;
    for (const auto& format : plugin.formats)
        versions[format] = version;
    return versions;
}

void installFromTree(const fs::path& root, const fs::path& vendorTree, const DemoPlugin& plugin)
{
    const fs::path file = vendorTree / packageUrlPath("Native", plugin);
    const PackageReadResult read = readPackageFile(file.string());
    if (!read.package)
        throw std::runtime_error("demo package " + file.string() + ": " + read.error);
    const InstallOutcome outcome = installPackage(root, *read.package, root);
    if (!outcome.succeeded)
        throw std::runtime_error("demo package " + file.string() + ": " + outcome.error);
}

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

const std::vector<DemoPlugin>& demoPlugins(const std::string& edition)
{
    using S = DemoState;
    static const std::vector<DemoPlugin> native = {
        {"Tesselar Verb", "tesselar-verb", "2.3.1", "2.3.1", {"AU", "VST3", "AAX"}, S::OlderVersion},
        {"Grain Delay", "grain-delay", "1.4.0", "1.4.0", {"AU", "VST3"}, S::CurrentPackage},
        {"Prism EQ", "prism-eq", "3.0.2", "3.0.2", {"AU", "VST3", "AAX"}, S::NotInstalled},
        {"Halo Chorus", "halo-chorus", std::nullopt, "1.2.0", {"AU", "VST3"}, S::RecordedPackage},
        {"Monolith Comp", "monolith-comp", std::nullopt, "2.0.1", {"AU", "VST3", "AAX"}, S::Unrecorded},
        {"Drift Tape", "drift-tape", "1.2.0", "1.2.0", {"VST3", "AAX"}, S::UnversionedRecord},
        {"Ferric Saturator", "ferric-saturator", "1.1.0", "1.1.0", {"AU", "VST3"}, S::MixedVersions},
        {"Quartz Limiter", "quartz-limiter", "1.9", "1.9", {"AU", "VST3", "AAX"}, S::NewerByNumber},
        {"Lumen Shimmer", "lumen-shimmer", "2.0.0", "2.0.0", {"AU", "VST3"}, S::NotInstalled},
        {"Vellum Gate", "vellum-gate", "1.0.4", "1.0.4", {"AU", "VST3", "AAX"}, S::NotInstalled},
        {"Orbit Pan", "orbit-pan", "1.3.0", "1.3.0", {"AU", "VST3"}, S::NotInstalled},
        {"Cinder Crush", "cinder-crush", "1.1.2", "1.1.2", {"AU", "VST3", "AAX"}, S::NotInstalled},
    };
    static const std::vector<DemoPlugin> dsp = {
        {"Tesselar Verb", "tesselar-verb", "2.3.1", "2.3.1", {"AAX"}, S::NotInstalled},
        {"Prism EQ", "prism-eq", "3.0.2", "3.0.2", {"AAX"}, S::NotInstalled},
        {"Grain Delay", "grain-delay", "1.4.0", "1.4.0", {"AAX"}, S::NotInstalled},
        {"Monolith Comp", "monolith-comp", std::nullopt, "2.0.1", {"AAX"}, S::NotInstalled},
        {"Vellum Gate", "vellum-gate", "1.0.4", "1.0.4", {"AAX"}, S::NotInstalled},
    };
    return edition == "DSP" ? dsp : native;
}

std::string demoPackageId(const std::string& edition, const std::string& slug)
{
    return std::string("audio.brenvoss.tesselar.") + (edition == "DSP" ? "dsp." : "native.") + slug;
}

std::string demoBundlePath(const std::string& name, const std::string& format)
{
    if (format == "AU")
        return "Library/Audio/Plug-Ins/Components/" + name + ".component";
    if (format == "VST3")
        return "Library/Audio/Plug-Ins/VST3/" + name + ".vst3";
    if (format == "AAX")
        return "Library/Application Support/Avid/Audio/Plug-Ins/" + name + ".aaxplugin";
    throw std::invalid_argument("unknown plugin format: " + format);
}

std::string demoPackage(const std::string& edition, const DemoPlugin& plugin)
{
    const std::string bundleVersion = plugin.pluginVersion.value_or(plugin.packageVersion);
    std::map<std::string, std::string> files;
    for (const auto& format : plugin.formats) {
        const std::string bundle = demoBundlePath(plugin.name, format);
        const std::size_t size = 24 * 1024 + (fnv1a(plugin.slug + format) % (160 * 1024));
        files[bundle + "/Contents/Info.plist"] = pluginInfoPlist(plugin.name, bundleVersion, PlistForm::Xml);
        files[bundle + "/Contents/PkgInfo"] = "BNDL????";
        files[bundle + "/Contents/MacOS/" + plugin.name] = pseudoBinary(edition + plugin.slug + format, size);
    }
    return buildPackage(demoPackageId(edition, plugin.slug), plugin.packageVersion, files, plugin.name);
}

void generateDemoTree(const fs::path& dir, const std::string& baseUrl)
{
    const fs::path tree = dir / kTree;
    fs::remove_all(tree);
    for (const std::string edition : {"Native", "DSP"})
        writeFile(tree / "manifests" / (edition + ".json"), catalogue(edition, dir, baseUrl).toStdString());

    const std::string dmgBase = baseUrl + "/" + kTree + "/Brenvoss-Installer-";
    const InstallerRelease release{qs(kReleaseVersion),
                                   QUrl(qs(dmgBase + "Native-" + kReleaseVersion + ".dmg")),
                                   QUrl(qs(dmgBase + "DSP-" + kReleaseVersion + ".dmg"))};
    writeFile(tree / "installer-latest.json", encodeInstallerRelease(release).toStdString());
    for (const std::string edition : {"Native", "DSP"}) {
        writeFile(tree / ("Brenvoss-Installer-" + edition + "-" + kReleaseVersion + ".dmg"),
                  pseudoBinary("installer" + edition, 64 * 1024));
    }
}

fs::path installedRecordPath(const fs::path& home)
{
    return home / "Library" / "Application Support" / "Brenvoss" / "Installer" / "installed-components.json";
}

void installDemoPlugins(const fs::path& root, const fs::path& vendorTree, const fs::path& home)
{
    const auto native = nlohmann::json::parse(readFile(vendorTree / kTree / "manifests" / "Native.json"));
    std::map<std::string, std::string> digests;
    for (const auto& component : native.at("components"))
        digests[component.at("slug").get<std::string>()] = component.at("sha256").get<std::string>();

    nlohmann::json record = nlohmann::json::object();
    const std::string edition = "Native"; // a named string: no temporary behind the returned reference
    for (const DemoPlugin& plugin : demoPlugins(edition)) {
        switch (plugin.state) {
        case DemoState::NotInstalled:
            break;
        case DemoState::OlderVersion:
            installLooseBundles(root, plugin, sameVersion(plugin, std::string("2.2.0")));
            break;
        case DemoState::MixedVersions: {
            auto versions = sameVersion(plugin, plugin.pluginVersion);
            versions["AU"] = std::string("1.0.0");
            installLooseBundles(root, plugin, versions);
            break;
        }
        case DemoState::CurrentPackage:
        case DemoState::Unrecorded:
            installFromTree(root, vendorTree, plugin);
            break;
        case DemoState::NewerByNumber:
            installLooseBundles(root, plugin, sameVersion(plugin, std::string("1.10")));
            break;
        case DemoState::RecordedPackage:
            installFromTree(root, vendorTree, plugin);
            record[plugin.slug] = digests.at(plugin.slug);
            break;
        case DemoState::UnversionedRecord:
            installLooseBundles(root, plugin, sameVersion(plugin, std::nullopt));
            record[plugin.slug] = upper(digests.at(plugin.slug));
            break;
        }
    }
    writeFileAtomically(installedRecordPath(home), record.dump());
}
