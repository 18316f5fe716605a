// Documents checked against the output's schema with libxml2.
#include "tests/golden/schema_check.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <memory>
#include <string>

namespace {

void appendError(void* problems, xmlErrorPtr error) {
    auto& text = *static_cast<std::string*>(problems);
    text += "line " + std::to_string(error->line) + ": " + (error->message ? error->message : "");
}

// The schema of the output, loaded once; the environment frees it and the parser's own state
// at the end, so a leak check sees nothing left over.
class SchemaEnvironment : public testing::Environment {
  public:
    static xmlSchema* schema() {
        if (!loaded) {
            xmlSchemaParserCtxt* const context = xmlSchemaNewParserCtxt(SCHEMA_PATH);
            loaded = context ? xmlSchemaParse(context) : nullptr;
            xmlSchemaFreeParserCtxt(context);
        }
        return loaded;
    }
    void TearDown() override {
        if (loaded) xmlSchemaFree(loaded);
        loaded = nullptr;
        xmlCleanupParser();
    }

  private:
    static inline xmlSchema* loaded = nullptr;
};

testing::Environment* const schemaEnvironment =
    testing::AddGlobalTestEnvironment(new SchemaEnvironment);

} // namespace

bool schemaCheckAvailable() { return true; }

std::string schemaProblems(const std::string& xml) {
    xmlSchema* const schema = SchemaEnvironment::schema();
    if (!schema) return "the schema " SCHEMA_PATH " could not be read";
    std::string problems;
    const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> document(
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "output.xml", nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    if (!document) {
        const xmlError* const error = xmlGetLastError();
        return "not well-formed: " + std::string(error && error->message ? error->message : "");
    }
    const std::unique_ptr<xmlSchemaValidCtxt, void (*)(xmlSchemaValidCtxt*)> validation(
        xmlSchemaNewValidCtxt(schema), xmlSchemaFreeValidCtxt);
    xmlSchemaSetValidStructuredErrors(validation.get(), appendError, &problems);
    if (xmlSchemaValidateDoc(validation.get(), document.get()) != 0 && problems.empty()) {
        problems = "not valid";
    }
    return problems;
}
