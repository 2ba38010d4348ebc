// The four file managers' menus, read with the parsers those file managers use
// and run with hostile names through a stand-in harvex that records its argv.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/fmactions/MenuHarness.h"

using namespace menutest;

namespace {

Args Expected(const std::string& selector, const std::vector<std::string>& paths) {
    Args args;
    if (!selector.empty())
        args.push_back(selector);
    args.insert(args.end(), paths.begin(), paths.end());
    return args;
}

// Splits a ';'-terminated list.
std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::string item;
    for (char c : text) {
        if (c == ';') {
            items.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    if (!item.empty())
        items.push_back(item);
    return items;
}

std::string Basename(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

class MenusTest : public ::testing::Test {
protected:
    CTempRegistryDir registry;
    CMenuHarness harness;

    std::string DolphinFile() const { return harness.DataHome() + "/kio/servicemenus/harvex.desktop"; }
    std::string NemoFile(int n) const {
        return harness.DataHome() + "/nemo/actions/harvex-0" + std::to_string(n) + ".nemo_action";
    }
    std::string UcaFile() const { return harness.ConfigHome() + "/Thunar/uca.xml"; }
    std::string Scripts() const { return harness.DataHome() + "/nautilus/scripts"; }

    std::vector<CUcaAction> OurThunarActions() {
        std::vector<CUcaAction> all;
        EXPECT_TRUE(ParseUca(ReadAll(UcaFile()), all));
        std::vector<CUcaAction> ours;
        for (const auto& a : all)
            if (a.mapText.at("unique-id").rfind("harvex-fmactions-", 0) == 0)
                ours.push_back(a);
        return ours;
    }
};

const std::string USER_ACTION =
    "<action>\n\t<icon>utilities-terminal</icon>\n\t<name>Open Terminal Here</name>\n"
    "\t<unique-id>1671863021510925-2</unique-id>\n\t<command>exo-open --working-directory %f</command>\n"
    "\t<description>mine</description>\n\t<patterns>*</patterns>\n\t<directories/>\n</action>\n";

}  // namespace

TEST_F(MenusTest, DolphinEntriesStartHarvexWithTheSelectorAndEveryPathWhole) {
    harness.SetPresets({"Movies", "TV shows"});
    ASSERT_EQ(harness.Regenerate(), 0);
    struct stat st {};
    ASSERT_EQ(::stat(DolphinFile().c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IXUSR, 0u) << "KIO ignores a user service menu that is not executable";

    CKeyFile menu(ReadAll(DolphinFile()));
    ASSERT_TRUE(menu.bLoaded);
    EXPECT_EQ(menu.Get("Desktop Entry", "Type"), "Service");
    EXPECT_EQ(menu.Get("Desktop Entry", "X-KDE-Priority"), "TopLevel");
    EXPECT_FALSE(menu.Has("Desktop Entry", "X-KDE-Submenu"));
    const auto mimeTypes = SplitList(menu.Get("Desktop Entry", "MimeType"));
    for (const char* type : {"inode/directory", "application/vnd.rar", "application/zip"})
        EXPECT_NE(std::find(mimeTypes.begin(), mimeTypes.end(), type), mimeTypes.end()) << type;
    const auto actions = SplitList(menu.Get("Desktop Entry", "Actions"));
    ASSERT_EQ(actions.size(), 3u);

    const std::vector<std::string> labels = {"Harvex", "Harvex: Movies", "Harvex: TV shows"};
    const std::vector<std::string> selectors = {"", "?Preset1?", "?Preset2?"};
    const auto paths = harness.MakeHostileSelection();
    for (size_t i = 0; i < actions.size(); ++i) {
        const std::string group = "Desktop Action " + actions[i];
        EXPECT_EQ(menu.Get(group, "Name"), labels[i]);
        EXPECT_EQ(menu.Get(group, "Icon"), "harvex");
        // %F stands alone and becomes one argument per path.
        Args command;
        for (const std::string& word : ShellParse(menu.Get(group, "Exec"))) {
            if (word == "%F")
                command.insert(command.end(), paths.begin(), paths.end());
            else
                command.push_back(word);
        }
        ASSERT_EQ(harness.Run(command), 0);
        const auto records = harness.TakeRecords();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0], Expected(selectors[i], paths)) << group;
    }
}

TEST_F(MenusTest, NemoEntriesStartHarvexWithTheSelectorAndEveryPathWhole) {
    harness.SetPresets({"Movies", "TV shows"});
    ASSERT_EQ(harness.Regenerate(), 0);
    const auto paths = harness.MakeHostileSelection();
    const std::vector<std::string> labels = {"Harvex", "Harvex: Movies", "Harvex: TV shows"};
    const std::vector<std::string> selectors = {"", "?Preset1?", "?Preset2?"};
    for (int n = 0; n < 3; ++n) {
        CKeyFile action(ReadAll(NemoFile(n)));
        ASSERT_TRUE(action.bLoaded) << n;
        EXPECT_EQ(action.Get("Nemo Action", "Name"), labels[static_cast<size_t>(n)]);
        EXPECT_EQ(action.Get("Nemo Action", "Icon-Name"), "harvex");
        EXPECT_EQ(action.Get("Nemo Action", "Selection"), "notnone");
        const auto extensions = SplitList(action.Get("Nemo Action", "Extensions"));
        for (const char* e : {"dir", "rar", "zip", "r00", "r99"})
            EXPECT_NE(std::find(extensions.begin(), extensions.end(), e), extensions.end()) << e;
        ASSERT_EQ(action.Get("Nemo Action", "Quote"), "single");
        // Nemo with Quote=single: every path in '...' with ' as '\'', joined by
        // blanks, in place of %F; the line is split by g_shell_parse_argv.
        std::string list;
        for (const std::string& path : paths) {
            std::string escaped;
            for (char c : path)
                escaped += c == '\'' ? std::string("'\\''") : std::string(1, c);
            list += (list.empty() ? "'" : " '") + escaped + "'";
        }
        std::string exec = action.Get("Nemo Action", "Exec");
        exec.replace(exec.find("%F"), 2, list);
        ASSERT_EQ(harness.Run(ShellParse(exec)), 0);
        const auto records = harness.TakeRecords();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0], Expected(selectors[static_cast<size_t>(n)], paths));
    }
    EXPECT_FALSE(fs::exists(NemoFile(3)));
}

TEST_F(MenusTest, ThunarEntriesKeepTheUsersOwnActionsAndPassEveryPathWhole) {
    fs::create_directories(fs::path(UcaFile()).parent_path());
    const std::string userFile =
        "<?xml encoding=\"UTF-8\" version=\"1.0\"?>\n<actions>\n" + USER_ACTION + "</actions>\n";
    std::ofstream(UcaFile()) << userFile;
    harness.SetPresets({"Movies"});
    ASSERT_EQ(harness.Regenerate(), 0);
    ASSERT_EQ(harness.Regenerate(), 0);  // a second run replaces, never duplicates

    const std::string text = ReadAll(UcaFile());
    EXPECT_NE(text.find(USER_ACTION), std::string::npos) << "the user's action is kept byte for byte";
    std::vector<CUcaAction> all;
    ASSERT_TRUE(ParseUca(text, all));
    ASSERT_EQ(all.size(), 5u);
    const auto ours = OurThunarActions();
    ASSERT_EQ(ours.size(), 4u);

    const auto paths = harness.MakeHostileSelection();
    for (const CUcaAction& action : ours) {
        const bool folders =
            std::find(action.arrFlags.begin(), action.arrFlags.end(), "directories") != action.arrFlags.end();
        const std::string selector = action.mapText.at("name") == "Harvex" ? "" : "?Preset1?";
        EXPECT_EQ(action.mapText.at("icon"), "harvex");
        EXPECT_EQ(action.mapText.count("submenu"), 0u);
        // Thunar offers an action when every selected name matches one of its patterns.
        std::vector<std::string> selection;
        for (const std::string& path : paths) {
            const bool isFolder = fs::is_directory(path);
            if (isFolder != folders)
                continue;
            bool matched = false;
            for (const std::string& pattern : SplitList(action.mapText.at("patterns")))
                matched = matched || g_pattern_match_simple(pattern.c_str(), Basename(path).c_str());
            EXPECT_TRUE(matched) << Basename(path);
            selection.push_back(path);
        }
        if (!folders)
            EXPECT_FALSE(g_pattern_match_simple("*.rar", "notes.txt"));
        // Thunar: %F becomes the g_shell_quote'd paths, the line runs with /bin/sh -c.
        std::string command = action.mapText.at("command");
        std::string list;
        for (const std::string& path : selection)
            list += (list.empty() ? "" : " ") + GShellQuote(path);
        command.replace(command.find("%F"), 2, list);
        ASSERT_EQ(harness.Run({"/bin/sh", "-c", command}), 0);
        const auto records = harness.TakeRecords();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0], Expected(selector, selection));
    }
}

TEST_F(MenusTest, NautilusScriptsTurnTheRelativeNamesIntoWholeAbsolutePaths) {
    harness.SetPresets({"Movies"});
    ASSERT_EQ(harness.Regenerate(), 0);
    const auto paths = harness.MakeHostileSelection();
    const std::string folder = fs::path(paths[0]).parent_path();
    for (const auto& [script, selector] :
         std::vector<std::pair<std::string, std::string>>{{"Harvex", ""}, {"Harvex: Movies", "?Preset1?"}}) {
        const std::string program = Scripts() + "/" + script;
        ASSERT_EQ(::access(program.c_str(), X_OK), 0) << script;
        // Nautilus: the viewed folder is the current folder, the names are relative to it.
        Args command = {program};
        for (const std::string& path : paths)
            command.push_back(Basename(path));
        ASSERT_EQ(harness.Run(command, folder), 0);
        auto records = harness.TakeRecords();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0], Expected(selector, paths)) << script;

        command = {program, paths[0], "inner"};
        ASSERT_EQ(harness.Run(command, "/"), 0);
        records = harness.TakeRecords();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0], Expected(selector, {paths[0], "/inner"})) << "no // from the root folder";
    }
}

TEST_F(MenusTest, SubmenuAndIconSettingsShapeEveryMenu) {
    harness.SetPresets({"Movies"});
    harness.SetShellOptions(1, 0, 1);
    ASSERT_EQ(harness.Regenerate(), 0);

    CKeyFile menu(ReadAll(DolphinFile()));
    EXPECT_EQ(menu.Get("Desktop Entry", "X-KDE-Submenu"), "Harvex");
    EXPECT_FALSE(menu.Has("Desktop Action harvex00", "Icon"));
    EXPECT_EQ(menu.Get("Desktop Action harvex01", "Name"), "Movies");

    CKeyFile nemo(ReadAll(NemoFile(1)));
    EXPECT_FALSE(nemo.Has("Nemo Action", "Icon-Name"));

    for (const CUcaAction& action : OurThunarActions()) {
        EXPECT_EQ(action.mapText.at("submenu"), "Harvex");
        EXPECT_EQ(action.mapText.at("icon"), "");
    }
    EXPECT_TRUE(fs::exists(Scripts() + "/Harvex/Harvex"));
    EXPECT_TRUE(fs::exists(Scripts() + "/Harvex/Movies"));
    EXPECT_FALSE(fs::exists(Scripts() + "/Harvex: Movies"));

    harness.SetShellOptions(1, 1, 0);
    ASSERT_EQ(harness.Regenerate(), 0);
    EXPECT_FALSE(fs::exists(Scripts() + "/Harvex/Movies"));
    EXPECT_FALSE(fs::exists(Scripts() + "/Harvex/Harvex"));
    EXPECT_TRUE(fs::exists(Scripts() + "/Harvex: Movies"));
    EXPECT_EQ(CKeyFile(ReadAll(DolphinFile())).Get("Desktop Action harvex00", "Icon"), "harvex");
}

TEST_F(MenusTest, IntegrationOffLeavesNoEntryOfOursAndEveryOneOfTheUser) {
    fs::create_directories(fs::path(UcaFile()).parent_path());
    std::ofstream(UcaFile()) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n"
                             << USER_ACTION << "</actions>\n";
    fs::create_directories(Scripts());
    std::ofstream(Scripts() + "/My Script") << "#!/bin/sh\necho mine\n";
    harness.SetPresets({"Movies", "TV"});
    ASSERT_EQ(harness.Regenerate(), 0);
    ASSERT_EQ(OurThunarActions().size(), 6u);

    harness.SetShellOptions(0, 1, 1);
    ASSERT_EQ(harness.Regenerate(), 0);
    EXPECT_FALSE(fs::exists(DolphinFile()));
    EXPECT_FALSE(fs::exists(NemoFile(0)));
    EXPECT_TRUE(OurThunarActions().empty());
    EXPECT_NE(ReadAll(UcaFile()).find(USER_ACTION), std::string::npos);
    EXPECT_TRUE(fs::exists(Scripts() + "/My Script"));
    EXPECT_FALSE(fs::exists(Scripts() + "/Harvex"));
    EXPECT_FALSE(fs::exists(Scripts() + "/Harvex: Movies"));
}

TEST_F(MenusTest, MenusFollowPresetChangesWithTheProgramsNumbering) {
    harness.SetPresets({"A", "B", "C"});
    ASSERT_EQ(harness.Regenerate(), 0);
    EXPECT_TRUE(fs::exists(NemoFile(3)));

    // A key without a name is passed over by the program, so "D" is its preset 2.
    harness.SetPresets({"A", "", "D"});
    ASSERT_EQ(harness.Regenerate(), 0);
    CKeyFile menu(ReadAll(DolphinFile()));
    EXPECT_EQ(SplitList(menu.Get("Desktop Entry", "Actions")).size(), 3u);
    EXPECT_EQ(menu.Get("Desktop Action harvex02", "Name"), "Harvex: D");
    EXPECT_EQ(menu.Get("Desktop Action harvex02", "Exec"), "harvex \"?Preset2?\" %F");
    EXPECT_FALSE(fs::exists(NemoFile(3)));
    EXPECT_EQ(CKeyFile(ReadAll(NemoFile(2))).Get("Nemo Action", "Name"), "Harvex: D");
    EXPECT_FALSE(fs::exists(Scripts() + "/Harvex: B"));
    EXPECT_FALSE(fs::exists(Scripts() + "/Harvex: C"));
    EXPECT_TRUE(fs::exists(Scripts() + "/Harvex: D"));
    EXPECT_EQ(OurThunarActions().size(), 6u);
}

TEST_F(MenusTest, HostilePresetNamesStayLabelsInEveryFormat) {
    harness.SetPresets({"new\nline & <b>", "100% _under_", "bad \xff byte", "/etc/.hidden", ".dot"});
    ASSERT_EQ(harness.Regenerate(), 0);
    CKeyFile menu(ReadAll(DolphinFile()));
    ASSERT_TRUE(menu.bLoaded);
    EXPECT_EQ(SplitList(menu.Get("Desktop Entry", "Actions")).size(), 6u);
    EXPECT_EQ(menu.Get("Desktop Action harvex01", "Name"), "Harvex: new line && <b>");
    EXPECT_EQ(menu.Get("Desktop Action harvex03", "Name"), "Harvex: bad \xEF\xBF\xBD byte");
    CKeyFile nemo(ReadAll(NemoFile(2)));
    ASSERT_TRUE(nemo.bLoaded);
    EXPECT_EQ(nemo.Get("Nemo Action", "Name"), "Harvex: 100%% __under__");
    const auto ours = OurThunarActions();
    ASSERT_EQ(ours.size(), 12u);
    EXPECT_EQ(ours[2].mapText.at("name"), "Harvex: new line & <b>");
    EXPECT_TRUE(fs::exists(Scripts() + "/Harvex: -etc-.hidden"));
    EXPECT_TRUE(fs::exists(Scripts() + "/Harvex: .dot"));
}

TEST_F(MenusTest, AUcaXmlThatIsNotAListOfActionsIsLeftAsItIs) {
    fs::create_directories(fs::path(UcaFile()).parent_path());
    const std::string broken = "<?xml version=\"1.0\"?>\n<actions>\n<action><name>half";
    std::ofstream(UcaFile()) << broken;
    EXPECT_EQ(harness.Regenerate(), 1);
    EXPECT_EQ(ReadAll(UcaFile()), broken);
    EXPECT_TRUE(fs::exists(DolphinFile())) << "the other file managers are still served";
}
