// The registry: the host's REGEDIT4 file (read at machine open, written after every change,
// escapes, names without regard to case, keys left open) and the product's registry entries
// (RegReadString, RegWriteString, RegSetStringChecked, RegisterUninstall).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "integration/registry_entries.h"
#include "platform/registry.h"
#include "tests/support/setup_test.h"

namespace {

using namespace std::string_literals;

const char kHeader[] = "REGEDIT4\r\n";

// ---- The host registry.

class HostRegistryTest : public MachineTest {
 protected:
  // name=data of every value of the key, in order, with the data as hex when not text.
  std::string Values(PlatRegKey root, const char* subkey) {
    PlatRegKey key;
    if (PlatRegOpenKey(root, subkey, &key) != kRegSuccess) return "<no key>";
    std::string listed;
    for (uint32_t index = 0;; ++index) {
      char name[256];
      uint8_t data[512];
      uint32_t name_size = sizeof name;
      uint32_t data_size = sizeof data;
      uint32_t code = PlatRegEnumValue(key, index, name, &name_size, data, &data_size);
      if (code != kRegSuccess) break;
      listed += std::string(name, name_size) + "=" +
                std::string(reinterpret_cast<char*>(data), data_size) + ";";
    }
    PlatRegCloseKey(key);
    return listed;
  }
  uint32_t Set(PlatRegKey root, const char* subkey, const char* name, const char* text) {
    PlatRegKey key;
    uint32_t code = PlatRegCreateKey(root, subkey, &key);
    if (code != kRegSuccess) return code;
    code = PlatRegSetString(key, name, text);
    PlatRegCloseKey(key);
    return code;
  }
};

TEST_F(HostRegistryTest, CreatingAKeyMakesItsParentsAndWritesTheFile) {
  PlatRegKey key;
  EXPECT_EQ(PlatRegOpenKey(kRegLocalMachine, "SOFTWARE\\Velnet", &key), kRegFileNotFound);
  EXPECT_EQ(key, kRegNoKey);
  ASSERT_EQ(PlatRegCreateKey(kRegLocalMachine, "SOFTWARE\\Velnet\\VNT", &key), kRegSuccess);
  EXPECT_EQ(PlatRegSetString(key, "AppPath", "C:\\VELNET"), kRegSuccess);
  EXPECT_EQ(PlatRegCloseKey(key), kRegSuccess);
  EXPECT_EQ(Registry(), std::string(kHeader) +
                            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
                            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Velnet]\r\n"
                            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Velnet\\VNT]\r\n"
                            "\"AppPath\"=\"C:\\\\VELNET\"\r\n");
  // An existing key is opened, not made again; the parents can be opened on their own.
  ASSERT_EQ(PlatRegCreateKey(kRegLocalMachine, "software\\velnet\\vnt", &key), kRegSuccess);
  PlatRegCloseKey(key);
  ASSERT_EQ(PlatRegOpenKey(kRegLocalMachine, "SOFTWARE", &key), kRegSuccess);
  PlatRegCloseKey(key);
  EXPECT_EQ(Values(kRegLocalMachine, "SOFTWARE\\VELNET\\vnt"),
            "AppPath=C:\\VELNET" + std::string(1, '\0') + ";");
}

TEST_F(HostRegistryTest, ValuesAndLeafKeysAreDeleted) {
  ASSERT_EQ(Set(kRegLocalMachine, "A\\B", "V", "1"), kRegSuccess);
  ASSERT_EQ(Set(kRegLocalMachine, "A\\B", "W", "2"), kRegSuccess);
  ASSERT_EQ(Set(kRegLocalMachine, "C", "X", "3"), kRegSuccess);
  PlatRegKey key;
  ASSERT_EQ(PlatRegOpenKey(kRegLocalMachine, "A\\B", &key), kRegSuccess);
  EXPECT_EQ(PlatRegDeleteValue(key, "v"), kRegSuccess);
  EXPECT_EQ(PlatRegDeleteValue(key, "V"), kRegFileNotFound);
  PlatRegCloseKey(key);
  EXPECT_EQ(Values(kRegLocalMachine, "A\\B"), "W=2" + std::string(1, '\0') + ";");
  EXPECT_EQ(PlatRegDeleteKey(kRegLocalMachine, "A"), kRegAccessDenied);  // it has a subkey
  EXPECT_EQ(PlatRegDeleteKey(kRegLocalMachine, "A\\B"), kRegSuccess);    // its value goes too
  EXPECT_EQ(PlatRegDeleteKey(kRegLocalMachine, "A\\B"), kRegFileNotFound);
  EXPECT_EQ(PlatRegDeleteKey(kRegLocalMachine, "A"), kRegSuccess);
  EXPECT_EQ(PlatRegDeleteKey(kRegLocalMachine, ""), kRegFileNotFound);  // a root stays
  // The key made after the deleted ones keeps its value and its place in the file.
  EXPECT_EQ(Values(kRegLocalMachine, "C"), "X=3" + std::string(1, '\0') + ";");
  EXPECT_EQ(Registry(), std::string(kHeader) + "\r\n[HKEY_LOCAL_MACHINE\\C]\r\n\"X\"=\"3\"\r\n");
}

TEST_F(HostRegistryTest, TheFileIsReadWhenTheMachineOpensAndWrittenBackWhole) {
  WriteRegistry(
      "REGEDIT4\n"
      "\n"
      "; a comment\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\n"
      "@=\"default\"\n"
      "\"Quoted\"=\"say \\\"hi\\\" at C:\\\\DIR\\\\\"\n"
      "\"Number\"=dword:0000002a\n"
      "\"Bytes\"=hex:01,02,\\\n"
      "  03\n"
      "\"Expand\"=hex(2):25,00\n"
      "\"Lines\"=hex(1):61,0d,0a,62,00\n");
  EXPECT_EQ(Values(kRegCurrentUser, "Software\\Test"),
            "=default\0;Quoted=say \"hi\" at C:\\DIR\\\0;Number=*\0\0\0;"
            "Bytes=\x01\x02\x03;Expand=%\0;Lines=a\r\nb\0;"s);
  EXPECT_EQ(Set(kRegCurrentUser, "Software\\Test", "Added", "new"), kRegSuccess);
  EXPECT_EQ(Registry(), std::string(kHeader) +
                            "\r\n[HKEY_CURRENT_USER\\Software]\r\n"
                            "\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n"
                            "@=\"default\"\r\n"
                            "\"Quoted\"=\"say \\\"hi\\\" at C:\\\\DIR\\\\\"\r\n"
                            "\"Number\"=dword:0000002a\r\n"
                            "\"Bytes\"=hex:01,02,03\r\n"
                            "\"Expand\"=hex(2):25,00\r\n"
                            "\"Lines\"=hex(1):61,0d,0a,62,00\r\n"
                            "\"Added\"=\"new\"\r\n");
  // What was written reads back the same.
  std::string written = Registry();
  WriteRegistry(written);
  EXPECT_EQ(Set(kRegCurrentUser, "Software\\Test", "Added", "new"), kRegSuccess);
  EXPECT_EQ(Registry(), written);
}

TEST_F(HostRegistryTest, LongHexListsAreContinuedOnTheNextLine) {
  std::string list;
  for (int i = 0; i < 40; ++i) list += i == 0 ? "0a" : ",0a";
  WriteRegistry(std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\K]\r\n\"B\"=hex:" + list + "\r\n");
  ASSERT_EQ(Set(kRegLocalMachine, "K", "S", "x"), kRegSuccess);
  std::string text = Registry();
  EXPECT_NE(text.find(",\\\r\n  0a"), std::string::npos) << text;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    EXPECT_LE(end - at, 80u) << text.substr(at, end - at);
  }
  EXPECT_EQ(Values(kRegLocalMachine, "K"), "B=" + std::string(40, '\n') + ";S=x\0;"s);
}

TEST_F(HostRegistryTest, NamesCompareWithoutCaseAndKeepTheirSpelling) {
  ASSERT_EQ(Set(kRegLocalMachine, "SOFTWARE\\Velnet", "AppPath", "C:\\OLD"), kRegSuccess);
  ASSERT_EQ(Set(kRegLocalMachine, "software\\VELNET", "APPPATH", "C:\\NEW"), kRegSuccess);
  EXPECT_EQ(Values(kRegLocalMachine, "Software\\Velnet"),
            "AppPath=C:\\NEW" + std::string(1, '\0') + ";");
  EXPECT_NE(Registry().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Velnet]"), std::string::npos);
  // The roots are kept apart.
  EXPECT_EQ(Values(kRegCurrentUser, "SOFTWARE\\Velnet"), "<no key>");
}

TEST_F(HostRegistryTest, MalformedLinesAreRecordedAndPassedOver) {
  WriteRegistry(
      "REGEDIT4\n"
      "\"Early\"=\"before any key\"\n"
      "[HKEY_NOWHERE\\X]\n"
      "[HKEY_LOCAL_MACHINE\\Good]\n"
      "\"Kept\"=\"yes\"\n"
      "\"Open=\"no end\n"
      "\"Bad\"=dword:123456789\n"
      "\"Hex\"=hex:1,2\n"
      "[-HKEY_LOCAL_MACHINE\\Good]\n"
      "[HKEY_LOCAL_MACHINE\\Two\\\\Slashes]\n");
  EXPECT_EQ(Values(kRegLocalMachine, "Good"), "Kept=yes" + std::string(1, '\0') + ";");
  std::string transcript = Transcript();
  for (const char* line :
       {"registry-error line 2: value outside a key", "registry-error line 3: unknown root key",
        "registry-error line 6: malformed value",
        "registry-error line 7: malformed or too long data",
        "registry-error line 8: malformed or too long data", "registry-error line 9: malformed key",
        "registry-error line 10: bad key path"}) {
    EXPECT_NE(transcript.find(line), std::string::npos) << line << "\n" << transcript;
  }
}

TEST_F(HostRegistryTest, AFileWithoutItsHeaderIsNotRead) {
  WriteRegistry("[HKEY_LOCAL_MACHINE\\Good]\n\"Kept\"=\"no\"\n");
  EXPECT_EQ(Values(kRegLocalMachine, "Good"), "<no key>");
  EXPECT_NE(Transcript().find("registry-error line 1: no REGEDIT4 header"), std::string::npos);
}

TEST_F(HostRegistryTest, HandlesPathsAndBuffersAreChecked) {
  PlatRegKey key;
  EXPECT_EQ(PlatRegOpenKey(0x1234, "X", &key), 6u);
  EXPECT_EQ(PlatRegCreateKey(kRegLocalMachine, "\\Leading", &key), 161u);
  EXPECT_EQ(PlatRegCreateKey(kRegLocalMachine, "Trailing\\", &key), 161u);
  EXPECT_EQ(PlatRegCreateKey(kRegLocalMachine, std::string(256, 'N').c_str(), &key), 161u);
  EXPECT_EQ(Registry(), "");  // nothing was made

  ASSERT_EQ(Set(kRegLocalMachine, "K", "Name", "12345"), kRegSuccess);
  ASSERT_EQ(PlatRegOpenKey(kRegLocalMachine, "K", &key), kRegSuccess);
  PlatRegKeyInfo info;
  ASSERT_EQ(PlatRegQueryInfoKey(key, &info), kRegSuccess);
  EXPECT_EQ(info.values, 1u);
  EXPECT_EQ(info.longest_name, 4u);
  EXPECT_EQ(info.longest_data, 6u);
  char name[8];
  uint8_t data[8];
  uint32_t name_size = 4;  // no room for the NUL
  uint32_t data_size = sizeof data;
  EXPECT_EQ(PlatRegEnumValue(key, 0, name, &name_size, data, &data_size), kRegMoreData);
  name_size = sizeof name;
  data_size = 5;
  EXPECT_EQ(PlatRegEnumValue(key, 0, name, &name_size, data, &data_size), kRegMoreData);
  data_size = 6;
  EXPECT_EQ(PlatRegEnumValue(key, 0, name, &name_size, data, &data_size), kRegSuccess);
  EXPECT_EQ(PlatRegEnumValue(key, 1, name, &name_size, data, &data_size), kRegNoMoreItems);
  // An empty subkey opens the key again.
  PlatRegKey again;
  ASSERT_EQ(PlatRegOpenKey(key, "", &again), kRegSuccess);
  EXPECT_NE(again, key);
  PlatRegCloseKey(again);
  EXPECT_EQ(PlatRegCloseKey(key), kRegSuccess);
  EXPECT_EQ(PlatRegCloseKey(key), 6u);  // closed already
}

TEST_F(HostRegistryTest, KeysLeftOpenAreRecordedWhenTheMachineCloses) {
  PlatRegKey key;
  ASSERT_EQ(PlatRegCreateKey(kRegLocalMachine, "Left\\Open", &key), kRegSuccess);
  HostMachineClose();
  EXPECT_NE(Transcript().find("registry-key-left-open \"HKEY_LOCAL_MACHINE\\Left\\Open\""),
            std::string::npos);
  ASSERT_EQ(HostMachineOpen(root_.c_str()), 1);
  EXPECT_EQ(PlatRegOpenKey(kRegLocalMachine, "LEFT\\OPEN", &key), kRegSuccess);  // kept
  PlatRegCloseKey(key);
}

TEST_F(HostRegistryTest, TheFaultPlanDeniesKeysAndValues) {
  ASSERT_EQ(HostFaultAdd({kFaultRegistryDenied, 1, 1, "\\Locked"}), 1);
  PlatRegKey key;
  EXPECT_EQ(PlatRegCreateKey(kRegLocalMachine, "Locked", &key), kRegAccessDenied);
  EXPECT_EQ(Set(kRegLocalMachine, "Free", "Locked", "x"), kRegAccessDenied);
  EXPECT_EQ(Set(kRegLocalMachine, "Free", "Open", "x"), kRegSuccess);
  EXPECT_NE(Transcript().find("fault registry_denied 1 \"HKEY_LOCAL_MACHINE\\Locked\""),
            std::string::npos);
}

// ---- The product's registry entries.

class RegistryEntriesTest : public SetupTest {
 protected:
  std::string Read(PlatRegKey root, const char* subkey, const char* name, uint32_t* code,
                   uint32_t size = 257) {
    char out[512];
    memset(out, 'x', sizeof out);
    *code = RegReadString(root, subkey, name, out, size);
    return out;
  }
  bool Has(const std::string& text) { return Registry().find(text) != std::string::npos; }
};

TEST_F(RegistryEntriesTest, AppPathIsWrittenUnderAKeyThatDidNotExist) {
  EXPECT_EQ(RegSetStringChecked(kRegLocalMachine, kVelnetKey, kAppPathValue, "C:\\VELNET"), 0u);
  EXPECT_EQ(RegSetStringChecked(kRegCurrentUser, kVelnetKey, kAppPathValue, "C:\\VELNET"), 0u);
  EXPECT_TRUE(
      Has("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Velnet\\VNT\\CurrentVersion]\r\n"
          "\"AppPath\"=\"C:\\\\VELNET\"\r\n"));
  EXPECT_TRUE(
      Has("[HKEY_CURRENT_USER\\SOFTWARE\\Velnet\\VNT\\CurrentVersion]\r\n"
          "\"AppPath\"=\"C:\\\\VELNET\"\r\n"));
  uint32_t code;
  EXPECT_EQ(Read(kRegLocalMachine, kVelnetKey, "AppPath", &code), "C:\\VELNET");
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(HostWaitCursorShown(), 0);  // the arrow is back after the enumeration
  EXPECT_EQ(Transcript().find("registry-key-left-open"), std::string::npos);
  HostMachineClose();
  EXPECT_EQ(Transcript().find("registry-key-left-open"), std::string::npos);
}

TEST_F(RegistryEntriesTest, ReadResultsTellAMissingKeyValueAndRoom) {
  WriteRegistry(std::string(kHeader) +
                "[HKEY_LOCAL_MACHINE\\Empty]\r\n"
                "[HKEY_LOCAL_MACHINE\\Other]\r\n\"Something\"=\"else\"\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]\r\n"
                "\"Build\"=\"4.72.3110.8\"\r\n");
  uint32_t code;
  EXPECT_EQ(Read(kRegLocalMachine, "Missing", "AppPath", &code), "");
  EXPECT_EQ(code, kRegFileNotFound);
  EXPECT_EQ(Read(kRegLocalMachine, "Empty", "AppPath", &code), "");
  EXPECT_EQ(code, kRegFileNotFound);  // a key without values reads as missing
  EXPECT_EQ(Read(kRegLocalMachine, "Other", "AppPath", &code), "");
  EXPECT_EQ(code, kRegNoMoreItems);
  EXPECT_EQ(Read(kRegNoKey, "Other", "Something", &code), "");
  EXPECT_EQ(code, kRegFileNotFound);
  // The text must fit the caller's buffer, NUL included; it is never shortened.
  const char* ie = "Software\\Microsoft\\Internet Explorer";
  EXPECT_EQ(Read(kRegLocalMachine, ie, "build", &code, 13), "4.72.3110.8");
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Read(kRegLocalMachine, ie, "Build", &code, 11), "");
  EXPECT_EQ(code, kRegMoreData);
}

TEST_F(RegistryEntriesTest, DataIsTextUpToItsFirstNulOrItsEnd) {
  WriteRegistry(std::string(kHeader) +
                "[HKEY_LOCAL_MACHINE\\Types]\r\n"
                "\"Long\"=hex:41,42,43,44,45,46\r\n"
                "\"Short\"=hex:58,59\r\n"
                "\"Number\"=dword:00434241\r\n"
                "\"Inner\"=hex(1):50,00,51,00\r\n");
  uint32_t code;
  EXPECT_EQ(Read(kRegLocalMachine, "Types", "Short", &code), "XY");  // not "XYCDEF"
  EXPECT_EQ(Read(kRegLocalMachine, "Types", "Number", &code), "ABC");
  EXPECT_EQ(Read(kRegLocalMachine, "Types", "Inner", &code), "P");
  EXPECT_EQ(code, 0u);
}

TEST_F(RegistryEntriesTest, AnExistingValueIsRewrittenWhateverItsCase) {
  WriteRegistry(std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Velnet\\VNT\\" +
                "CurrentVersion]\r\n\"Other\"=\"1\"\r\n\"apppath\"=\"c:\\\\velnet\"\r\n");
  uint32_t code;
  EXPECT_EQ(Read(kRegLocalMachine, kVelnetKey, "APPPATH", &code), "c:\\velnet");
  EXPECT_EQ(RegSetStringChecked(kRegLocalMachine, kVelnetKey, "AppPath", "C:\\VELNET"), 0u);
  EXPECT_TRUE(Has("\"Other\"=\"1\"\r\n\"apppath\"=\"C:\\\\VELNET\"\r\n"));
  // A key with other values only (259) gets the value too.
  EXPECT_EQ(RegSetStringChecked(kRegLocalMachine, kVelnetKey, "Second", "2"), 0u);
  EXPECT_EQ(Read(kRegLocalMachine, kVelnetKey, "second", &code), "2");
}

TEST_F(RegistryEntriesTest, AnOldValueTooLongToReadIsReplaced) {
  std::string long_path = "C:\\" + std::string(300, 'D');
  WriteRegistry(std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\K]\r\n\"AppPath\"=\"" + long_path +
                "\"\r\n");
  EXPECT_EQ(RegSetStringChecked(kRegLocalMachine, "K", "AppPath", "C:\\VELNET"), 0u);
  uint32_t code;
  EXPECT_EQ(Read(kRegLocalMachine, "K", "AppPath", &code), "C:\\VELNET");
}

TEST_F(RegistryEntriesTest, FailuresAreReturnedAsCodes) {
  // The key cannot be made: 1, nothing written.
  ASSERT_EQ(HostFaultAdd({kFaultRegistryDenied, 1, 1, "\\Denied"}), 1);
  EXPECT_EQ(RegSetStringChecked(kRegLocalMachine, "Denied", "V", "x"), 5u);  // the read's code
  EXPECT_EQ(RegWriteString(kRegLocalMachine, "Denied", "V", "x"), 5u);
  HostFaultClear();
  ASSERT_EQ(HostFaultAdd({kFaultRegistryDenied, 2, 0, "\\Fresh"}), 1);  // the create
  EXPECT_EQ(RegSetStringChecked(kRegLocalMachine, "Fresh", "V", "x"), 1u);
  HostFaultClear();
  // The key is made but the value cannot be set: 1 for a key that was missing...
  ASSERT_EQ(HostFaultAdd({kFaultRegistryDenied, 1, 1, "\\Made\\V"}), 1);
  EXPECT_EQ(RegSetStringChecked(kRegLocalMachine, "Made", "V", "x"), 1u);
  EXPECT_TRUE(Has("[HKEY_LOCAL_MACHINE\\Made]"));
  // ...and the write's own code for a key that was there.
  EXPECT_EQ(RegWriteString(kRegLocalMachine, "Made", "W", "y"), 0u);
  EXPECT_EQ(RegSetStringChecked(kRegLocalMachine, "Made", "V", "x"), 5u);
  EXPECT_FALSE(Has("\"V\""));
  EXPECT_EQ(RegSetStringChecked(kRegNoKey, "Made", "V", "x"), kRegFileNotFound);
  HostMachineClose();
  EXPECT_EQ(Transcript().find("registry-key-left-open"), std::string::npos);
}

TEST_F(RegistryEntriesTest, UninstallEntryNeedsTheUninstaller) {
  strcpy(g_setup.dest_dir, "C:\\VELNET");
  EXPECT_EQ(RegisterUninstall(), 0);
  EXPECT_EQ(Registry(), "");
  PutFile("C:\\VELNET\\RM_VNT.EXE", "uninstaller");
  EXPECT_EQ(RegisterUninstall(), 1);
  EXPECT_TRUE(
      Has("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
          "Uninstall\\Velnet]\r\n"
          "\"DisplayName\"=\"Velnet\"\r\n"
          "\"UninstallString\"=\"C:\\\\VELNET\\\\RM_VNT.EXE\"\r\n"));
}

}  // namespace
