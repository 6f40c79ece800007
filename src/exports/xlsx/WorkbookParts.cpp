#include "exports/xlsx/WorkbookParts.h"

#include <xlsxwriter.h>
#include <xlsxwriter/theme.h>

#include <cstdio>
#include <cstdlib>

namespace k7::WorkbookParts {

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr char kOfficeRelationships[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr char kContentType[] = "application/vnd.openxmlformats-officedocument.";

QByteArray escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray relationship(int id, const QByteArray& type, const QByteArray& target)
{
    return "<Relationship Id=\"rId" + QByteArray::number(id) + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
}

QByteArray contentTypes(int sheets)
{
    const auto override = [](const QByteArray& part, const QByteArray& type) {
        return "<Override PartName=\"/" + part + "\" ContentType=\"" + type + "\"/>";
    };
    QByteArray xml = kDeclaration;
    xml += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    xml += override("docProps/app.xml", QByteArray(kContentType) + "extended-properties+xml");
    xml += override("docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml");
    xml += override("xl/styles.xml", QByteArray(kContentType) + "spreadsheetml.styles+xml");
    xml += override("xl/theme/theme1.xml", QByteArray(kContentType) + "theme+xml");
    xml += override("xl/workbook.xml", QByteArray(kContentType) + "spreadsheetml.sheet.main+xml");
    for (int i = 1; i <= sheets; ++i)
        xml += override(SheetPartName(i), QByteArray(kContentType) + "spreadsheetml.worksheet+xml");
    return xml + "</Types>";
}

QByteArray packageRelationships()
{
    QByteArray xml = kDeclaration;
    xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    xml += relationship(1, QByteArray(kOfficeRelationships) + "officeDocument", "xl/workbook.xml");
    xml += relationship(2, "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
                        "docProps/core.xml");
    xml += relationship(3, QByteArray(kOfficeRelationships) + "extended-properties", "docProps/app.xml");
    return xml + "</Relationships>";
}

QByteArray appProperties(const QStringList& sheets)
{
    const QByteArray count = QByteArray::number(sheets.size());
    QByteArray xml = kDeclaration;
    xml += "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
           "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
           "<Application>Microsoft Excel</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>"
           "<HeadingPairs><vt:vector size=\"2\" baseType=\"variant\"><vt:variant><vt:lpstr>Worksheets</vt:lpstr>"
           "</vt:variant><vt:variant><vt:i4>"
        + count + "</vt:i4></vt:variant></vt:vector></HeadingPairs><TitlesOfParts><vt:vector size=\"" + count
        + "\" baseType=\"lpstr\">";
    for (const QString& sheet : sheets)
        xml += "<vt:lpstr>" + escaped(sheet) + "</vt:lpstr>";
    return xml
        + "</vt:vector></TitlesOfParts><Company></Company><LinksUpToDate>false</LinksUpToDate>"
          "<SharedDoc>false</SharedDoc><HyperlinksChanged>false</HyperlinksChanged><AppVersion>12.0000</AppVersion>"
          "</Properties>";
}

QByteArray coreProperties(const QDateTime& created)
{
    const QByteArray when = created.toUTC().toString(QStringLiteral("yyyy-MM-ddThh:mm:ssZ")).toLatin1();
    QByteArray xml = kDeclaration;
    xml += "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
           "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
           "<dc:creator></dc:creator><cp:lastModifiedBy></cp:lastModifiedBy>"
           "<dcterms:created xsi:type=\"dcterms:W3CDTF\">"
        + when + "</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">" + when
        + "</dcterms:modified></cp:coreProperties>";
    return xml;
}

QByteArray workbook(const QStringList& sheets)
{
    QByteArray xml = kDeclaration;
    xml += "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
           "<fileVersion appName=\"xl\" lastEdited=\"4\" lowestEdited=\"4\" rupBuild=\"4505\"/>"
           "<workbookPr defaultThemeVersion=\"124226\"/><bookViews><workbookView xWindow=\"240\" yWindow=\"15\" "
           "windowWidth=\"16095\" windowHeight=\"9660\"/></bookViews><sheets>";
    for (int i = 1; i <= sheets.size(); ++i) {
        const QByteArray id = QByteArray::number(i);
        xml += "<sheet name=\"" + escaped(sheets[i - 1]) + "\" sheetId=\"" + id + "\" r:id=\"rId" + id + "\"/>";
    }
    return xml + "</sheets><calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/></workbook>";
}

QByteArray workbookRelationships(int sheets)
{
    QByteArray xml = kDeclaration;
    xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (int i = 1; i <= sheets; ++i)
        xml += relationship(i, QByteArray(kOfficeRelationships) + "worksheet",
                            "worksheets/sheet" + QByteArray::number(i) + ".xml");
    xml += relationship(sheets + 1, QByteArray(kOfficeRelationships) + "theme", "theme/theme1.xml");
    xml += relationship(sheets + 2, QByteArray(kOfficeRelationships) + "styles", "styles.xml");
    return xml + "</Relationships>";
}

QByteArray styles()
{
    const QByteArray font = "<sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/><family val=\"2\"/>"
                            "<scheme val=\"minor\"/></font>";
    QByteArray xml = kDeclaration;
    xml += "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><fonts count=\"2\"><font>"
        + font + "<font><b/>" + font
        + "</fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill>"
          "<patternFill patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border><left/><right/><top/>"
          "<bottom/><diagonal/></border></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" "
          "fillId=\"0\" borderId=\"0\"/></cellStyleXfs><cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" "
          "fillId=\"0\" borderId=\"0\" xfId=\"0\"/><xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" "
          "xfId=\"0\" applyFont=\"1\"/></cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
          "builtinId=\"0\"/></cellStyles><dxfs count=\"0\"/><tableStyles count=\"0\" "
          "defaultTableStyle=\"TableStyleMedium9\" defaultPivotStyle=\"PivotStyleLight16\"/></styleSheet>";
    return xml;
}

// The standard Office theme, as libxlsxwriter writes it.
QByteArray theme()
{
    char* bytes = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&bytes, &size);
    lxw_theme* theme = memory ? lxw_theme_new() : nullptr;
    if (theme) {
        theme->file = memory;
        lxw_theme_assemble_xml_file(theme);
        lxw_theme_free(theme);
    }
    if (memory)
        std::fclose(memory);
    QByteArray xml(bytes, static_cast<qsizetype>(size));
    std::free(bytes);
    return xml;
}

}  // namespace

QByteArray SheetPartName(int index)
{
    return "xl/worksheets/sheet" + QByteArray::number(index) + ".xml";
}

QList<Part> FixedParts(const QStringList& sheets, const QDateTime& created)
{
    const auto count = static_cast<int>(sheets.size());
    return {{"[Content_Types].xml", contentTypes(count)},
            {"_rels/.rels", packageRelationships()},
            {"docProps/app.xml", appProperties(sheets)},
            {"docProps/core.xml", coreProperties(created)},
            {"xl/workbook.xml", workbook(sheets)},
            {"xl/_rels/workbook.xml.rels", workbookRelationships(count)},
            {"xl/styles.xml", styles()},
            {"xl/theme/theme1.xml", theme()}};
}

}  // namespace k7::WorkbookParts
