# A Stata file read by R's haven: its names, two variable labels, the value
# labels of Kind, and the first ID with the codes of Kind, a line each.
# Status 3 when haven is not installed.
if (!requireNamespace('haven', quietly = TRUE)) quit(status = 3)
d <- haven::read_dta(commandArgs(trailingOnly = TRUE)[1])
k <- attr(d$Kind, 'labels')
cat(names(d), sep = '|'); cat('\n')
cat(attr(d$ID, 'label'), attr(d$Kind, 'label'), sep = '|'); cat('\n')
cat(paste0(k, '=', names(k)), sep = '|'); cat('\n')
cat(d$ID[1], as.numeric(d$Kind), sep = '|'); cat('\n')
