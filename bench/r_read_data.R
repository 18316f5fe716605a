# One reader of the bench's data file in this R process: read_data, readr::read_fwf or
# vroom::vroom_fwf, the last two with read_data's columns at the same positions and their values
# materialised. Prints the seconds (elapsed and CPU, vroom's threads' included), the peak memory above the process's own before the read, and
# the data frame's size.
# Run as: Rscript r_read_data.R read_data|readr|vroom SURVEY.vqz DATA.dat
args <- commandArgs(TRUE)
reader <- args[1]
survey_path <- args[2]
data_path <- args[3]
suppressPackageStartupMessages({
  library(vqz2xml)
  if (reader != "read_data") library(reader, character.only = TRUE)
})

# Kilobytes of a field of /proc/self/status: VmRSS now, VmHWM the peak.
status_kb <- function(field) {
  line <- grep(paste0("^", field, ":"), readLines("/proc/self/status"), value = TRUE)
  as.numeric(gsub("[^0-9]", "", line))
}

# read_data's columns as fixed-width positions: a SPREAD's subfields apart, a multiple's codes
# one column each.
positions <- function(survey) {
  rows <- lapply(seq_len(nrow(survey$variables)), function(i) {
    v <- survey$variables[i, ]
    finish <- if (is.na(v$finish)) v$start else v$finish
    if (!is.na(v$spread)) {
      width <- if (is.na(v$spread_width)) 1 else v$spread_width
      starts <- v$start + (seq_len(v$spread) - 1) * width
      return(data.frame(name = paste0(v$name, "_", seq_len(v$spread)), start = starts,
                        end = starts + width - 1, text = FALSE))
    }
    data.frame(name = v$name, start = v$start, end = finish, text = v$type == "character")
  })
  do.call(rbind, rows)
}

survey <- read_survey(survey_path)
columns <- positions(survey)
types <- paste(ifelse(columns$text, "c", "d"), collapse = "")
invisible(gc())
before <- status_kb("VmRSS")
times <- system.time({
  frame <- switch(reader,
    read_data = suppressWarnings(read_data(survey_path, data_path, labels = "codes")),
    readr = readr::read_fwf(data_path, readr::fwf_positions(columns$start, columns$end,
                                                             columns$name),
                            col_types = types, progress = FALSE),
    vroom = vroom::vroom_fwf(data_path, vroom::fwf_positions(columns$start, columns$end,
                                                              columns$name),
                             col_types = types, altrep = FALSE, progress = FALSE))
  invisible(lapply(frame, function(column) column[length(column)]))
})
peak_mb <- (status_kb("VmHWM") - before) / 1024
frame_mb <- as.numeric(utils::object.size(frame)) / 2^20
cat(sprintf("%-9s %7.2f s %7.2f s CPU %6.0f MB above the start %6.0f MB frame (%d x %d)\n",
            reader, times[["elapsed"]], times[["user.self"]] + times[["sys.self"]], peak_mb,
            frame_mb, nrow(frame), ncol(frame)))
