# Prints each skipped test of a ctest run with its reason, from
# Testing/Temporary/LastTest.log: the scripts' "SKIPPED: reason" lines and
# the message GoogleTest prints under "file:line: Skipped".
function skipped(why) {
    if (!shown++)
        print "Why the tests that did not run were skipped:"
    print "  " name ": " why
}
/^[0-9]+\/[0-9]+ Test: / { name = $3 }
reason { skipped($0); reason = 0 }
/: Skipped$/ { reason = 1 }
/^SKIPPED: / { skipped(substr($0, 10)) }
