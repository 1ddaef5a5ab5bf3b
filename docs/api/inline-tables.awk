# Doxygen input filter of the headers: writes the header with each `#include "NAME.def"` line replaced by
# the table's lines, so that the members an X-macro table generates inside a class reach the reference
# as the compiler sees them (doxygen itself does not paste included files). The table's own
# documentation lines (///) stay out: they describe the table's file page, not the includer.
#
# Usage (doxygen appends the header's path): awk -f inline-tables.awk HEADER

/^[ \t]*#[ \t]*include[ \t]+"[A-Za-z0-9_]+\.def"/ {
    table = $0
    sub(/^[^"]*"/, "", table)
    sub(/".*$/, "", table)
    directory = FILENAME
    sub(/[^\/]*$/, "", directory)
    path = directory table
    found = 0
    while ((status = (getline line < path)) > 0) {
        found = 1
        if (line !~ /^[ \t]*\/\/\//)
            print line
    }
    close(path)
    if (status < 0 || !found) {
        print "inline-tables.awk: " FILENAME ": cannot read " path > "/dev/stderr"
        failed = 1
    }
    next
}

{ print }

END { exit failed }
