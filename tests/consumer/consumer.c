/* Uses an installed vqz2xml from C, built with pkg-config: a complete and a faulty input. */
#include <stdio.h>
#include <string.h>
#include <vqz2xml/vqz2xml.h>

static const char complete[] = "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" LABEL "
                               "\"b\" TYPE logical POSITION 1 END VARIABLE END RECORD END "
                               "SURVEY END VQZ";
static const char faulty[] = "VQZ VERSION 1.1 SURVEY\n  BOGUS";

int main(void) {
    vqz2xml_result result;
    int ok;
    if (vqz2xml_convert(complete, sizeof complete - 1, VQZ2XML_LATIN1, &result) != VQZ2XML_OK) {
        fputs("C consumer: the complete document was refused\n", stderr);
        return 1;
    }
    ok = result.complete == 1 && result.message == NULL &&
         strstr(result.xml, "<label>b</label>") != NULL && strlen(result.xml) == result.xml_size;
    vqz2xml_result_free(&result);
    if (!ok) {
        fputs("C consumer: the complete document came out wrong\n", stderr);
        return 1;
    }
    if (vqz2xml_convert(faulty, sizeof faulty - 1, VQZ2XML_CP1252, &result) != VQZ2XML_OK) {
        fputs("C consumer: the faulty input was refused\n", stderr);
        return 1;
    }
    ok = result.complete == 0 && result.line == 2 && result.column == 3 && result.message &&
         strcmp(result.message, "<input>:2:3: error: expected 'Title', found \"BOGUS\"") == 0;
    vqz2xml_result_free(&result);
    if (!ok) {
        fputs("C consumer: the faulty input came out wrong\n", stderr);
        return 1;
    }
    printf("C consumer: vqz2xml %s converts as expected\n", vqz2xml_version());
    return 0;
}
