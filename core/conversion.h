// Converting classic input held in memory into XML: the two passes, the outcome, and where a
// faulty input went wrong.
#pragma once

#include "vqz2xml/survey.hpp"
#include "vqz2xml/vqz2xml.hpp"

#include <cstddef>
#include <functional>
#include <ostream>
#include <string_view>

class SurveySink;

// How the program runs a conversion, beyond the options every caller has.
struct ConversionSettings {
    // Writes a big input's XML on a second thread while the parse pass goes on. Worth it when
    // nothing else keeps the processors busy; the bytes are the same either way.
    bool writeInBackground = false;
    // Told the outcome once parsing has ended, before the last of the XML is written.
    std::function<void(const vqz2xml::Outcome&)> parsed;
    // Told how many bytes of the input the parse pass has gone past, each time it has gone
    // another `progressStep` of them: a big input's progress.
    std::function<void(std::size_t)> progress;
    std::size_t progressStep = std::size_t{4} << 20;
};

// The parse pass and the write pass over `input`, the XML going to `sink`, which is flushed at
// the end: whether it took every byte, its state tells. Throws std::bad_alloc when memory runs
// out.
vqz2xml::Outcome convertInput(std::string_view input, std::ostream& sink,
                              const vqz2xml::Options& options,
                              const ConversionSettings& settings = {});

// The same parse making the survey model instead of the XML. With a `sink`, the head, each
// variable and each note go there as soon as nothing later can change them, and the result's
// survey keeps the head alone; without one it holds the whole model. With `writeInBackground`, the model is
// made, and the sink told, on the second thread. Throws std::bad_alloc when memory runs out.
vqz2xml::SurveyResult describeInput(std::string_view input, const vqz2xml::Options& options,
                                    SurveySink* sink = nullptr,
                                    const ConversionSettings& settings = {});
