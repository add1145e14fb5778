// The backup file's bytes and its reader, without a window: scrambling, escaping, number ranges,
// and what a reader makes of hand-edited files.
#include <gtest/gtest.h>

#include "config/ConfigReader.h"

using namespace dravik;

namespace {

TEST(ConfigDocument, PasswordScramblingIsXorA7InDecimalWithoutSeparators) {
    EXPECT_EQ(EncryptData(QStringLiteral("123456")), "150149148147146145");
    EXPECT_EQ(EncryptData(QString()), "");
    EXPECT_EQ(EncryptData(QStringLiteral("A0")), "230151");  // 0x41 ^ 0xA7, 0x30 ^ 0xA7
}

ConfigDocument sampleDocument(const QString& path) {
    ConfigDocument doc;
    doc.root = {QStringLiteral("A&B <\"x\">"), 63, 2, 9};
    doc.elements.emplace_back(ConfigProductParameter{1, 40000, 255});
    doc.elements.emplace_back(ConfigModuleParameters{QStringLiteral("VRAK-2"), 0xA2, 3, 4, 5, 6, 7, 0xFFFF,
                                                     15, 0x8001, 0x0103, path});
    doc.elements.emplace_back(
        ConfigSelectedSlot{QStringLiteral("VRAK-2"), 0xA2, 3, 4, EncryptData("12"), 8, 9, 10, 200});
    return doc;
}

TEST(ConfigDocument, EverythingWrittenReadsBack) {
    const QString path = QStringLiteral("C:\\a & b\\<x> \"q\" 'y'\ttab\nline.txt");
    const ConfigReadResult r = readConfigDocument(writeConfigDocument(sampleDocument(path)));
    ASSERT_TRUE(r.ok()) << r.error->describe().toStdString();
    EXPECT_EQ(r.doc.root.Product_id, 63);
    EXPECT_EQ(r.doc.root.Product, "A&B <\"x\">");
    ASSERT_EQ(r.doc.elements.size(), 3U);
    const auto& p = std::get<ConfigProductParameter>(r.doc.elements[0]);
    EXPECT_EQ(p.Id, 40000);  // a key above 0x7FFF is still a 16-bit key
    EXPECT_EQ(p.Value, 255U);
    const auto& m = std::get<ConfigModuleParameters>(r.doc.elements[1]);
    EXPECT_EQ(m.Path, path);
    EXPECT_EQ(m.Module_sw_type, 0xA2);
    EXPECT_EQ(m.Mdl_selected_parameter_A, 0xFFFF);
    EXPECT_EQ(m.Mdl_selected_parameter_B_C, 0x8001);
    EXPECT_EQ(m.Mdl_selected_max_parameter_B_C, 0x0103);
    const auto& s = std::get<ConfigSelectedSlot>(r.doc.elements[2]);
    EXPECT_EQ(s.Decode, 8);
    EXPECT_EQ(s.Decode_group, 200);
}

TEST(ConfigDocument, CharactersXmlCannotCarryAreReplacedSoTheFileStaysReadable) {
    ConfigDocument doc;
    doc.root.Product = QStringLiteral("Bad") + QChar(0x01) + QChar(0x1F) + QStringLiteral("name");
    const QByteArray bytes = writeConfigDocument(doc);
    const ConfigReadResult r = readConfigDocument(bytes);
    ASSERT_TRUE(r.ok()) << r.error->describe().toStdString();
    EXPECT_EQ(r.doc.root.Product,
              QStringLiteral("Bad") + QChar(0xFFFD) + QChar(0xFFFD) + QStringLiteral("name"));
}

struct NumberCase {
    const char* attribute;  // of a Selected_slots element
    const char* written;
    bool accepted;
    int read;
};

TEST(ConfigReader, NumbersAreDecimalWithinTheAttributesRange) {
    // Decode: 0..255. Decode_group: 16 bits, written signed or not, its low byte kept.
    const NumberCase cases[] = {
        {"Decode", "7", true, 7},
        {"Decode", " 7 ", true, 7},
        {"Decode", "+7", true, 7},
        {"Decode", "007", true, 7},
        {"Decode", "255", true, 255},
        {"Decode", "256", false, 0},
        {"Decode", "-1", false, 0},
        {"Decode", "7.0", false, 0},
        {"Decode", "0x10", false, 0},
        {"Decode", "", false, 0},
        {"Decode", "12345678901", false, 0},
        {"Decode_group", "2", true, 2},
        {"Decode_group", "-1", true, 255},
        {"Decode_group", "258", true, 2},
        {"Decode_group", "65535", true, 255},
        {"Decode_group", "-32768", true, 0},
        {"Decode_group", "-32769", false, 0},
        {"Decode_group", "65536", false, 0},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(std::string(c.attribute) + "=" + c.written);
        const QByteArray xml = QByteArray("<VuzUvazuzuvar><Selected_slots ") + c.attribute + "=\"" +
                               c.written + "\"/></VuzUvazuzuvar>";
        const ConfigReadResult r = readConfigDocument(xml);
        ASSERT_EQ(r.ok(), c.accepted);
        if (!c.accepted) continue;
        const auto& slot = std::get<ConfigSelectedSlot>(r.doc.elements[0]);
        EXPECT_EQ(std::string(c.attribute) == "Decode" ? slot.Decode : slot.Decode_group, c.read);
    }
}

// The root's Version and Sub-version are written for people and never read back: whatever they
// hold, the file is read; Product_id, which is read back, stays strict.
TEST(ConfigReader, RootVersionsThatAreNotReadBackNeverRefuseTheFile) {
    struct Case {
        const char* root;
        bool accepted;
    };
    const Case cases[] = {
        {"Product_id=\"63\" Version=\"v1\" Sub-version=\"beta\"", true},
        {"Product_id=\"63\" Version=\"300\" Sub-version=\"-1\"", true},
        {"Product_id=\"63\" Version=\"2\" Sub-version=\"5\"", true},
        {"Product_id=\"v1\" Version=\"2\"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root);
        const ConfigReadResult r = readConfigDocument(QByteArray("<VuzUvazuzuvar ") + c.root +
                                                      "><Product_parameters Id=\"1\" Value=\"2\"/></VuzUvazuzuvar>");
        ASSERT_EQ(r.ok(), c.accepted);
        if (!c.accepted) continue;
        EXPECT_EQ(r.doc.root.Product_id, 63);
        EXPECT_EQ(r.doc.elements.size(), 1u);
    }
}

TEST(ConfigReader, ElementsAreReadInDocumentOrderAtAnyDepthAndOthersSkipped) {
    const ConfigReadResult r = readConfigDocument(
        "<VuzUvazuzuvar Product_id='5'><Note>text</Note><Group><Product_parameters Id='1' Value='2'/></Group>"
        "<x:Product_parameters xmlns:x='urn:x' Id='bad'/><Module_parameters Decode='4'/>"
        "<Product_parameters Id='-1' Value='3'/></VuzUvazuzuvar>");
    ASSERT_TRUE(r.ok()) << r.error->describe().toStdString();
    ASSERT_EQ(r.doc.elements.size(), 3U);
    EXPECT_EQ(std::get<ConfigProductParameter>(r.doc.elements[0]).Id, 1);
    const auto& m = std::get<ConfigModuleParameters>(r.doc.elements[1]);
    EXPECT_EQ(m.Decode, 4);
    EXPECT_EQ(m.Module_sw_type, 0);  // missing: 0
    EXPECT_TRUE(m.Path.isEmpty());
    EXPECT_EQ(std::get<ConfigProductParameter>(r.doc.elements[2]).Id, 0xFFFF);
}

TEST(ConfigReader, EntitiesAreNeverExpanded) {
    // Nested entities that would expand to gigabytes are refused at the document type.
    QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE VuzUvazuzuvar [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += QByteArray("<!ENTITY l") + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j) laughs += QByteArray("&l") + QByteArray::number(i - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><VuzUvazuzuvar Product=\"&l9;\"/>";
    EXPECT_FALSE(readConfigDocument(laughs).ok());
    // An external entity, and an entity without a declaration.
    EXPECT_FALSE(
        readConfigDocument(
            "<!DOCTYPE r [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><VuzUvazuzuvar Product=\"&e;\"/>")
            .ok());
    EXPECT_FALSE(readConfigDocument("<VuzUvazuzuvar Product=\"&e;\"/>").ok());
}

TEST(ConfigReader, TooManyElementsAreRefused) {
    QByteArray xml = "<VuzUvazuzuvar>";
    for (int i = 0; i < kConfigFileMaxElements; ++i) xml += "<a/>";
    xml += "</VuzUvazuzuvar>";
    const ConfigReadResult r = readConfigDocument(xml);
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error->problem.contains("more than"));
}

}  // namespace
