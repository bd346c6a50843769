#!/bin/sh
# Runs a Qt Test program with every test function except the ones named: the rest of a
# suite whose named cases run beside it, so that a case added later runs in one of the two
# without anyone listing it.
#   other-cases.sh "caseA caseB ..." [wrapper args...] program
# (the test program comes last: a wrapper such as own-display.sh may go before it)
set -u
except=$1
shift
for program; do :; done
cases=$("$program" -functions) || exit 1
run=
for c in $cases; do
    c=${c%"()"}
    case " $except " in
    *" $c "*) ;;
    *) run="$run $c" ;;
    esac
done
# shellcheck disable=SC2086 # the names are one word each
exec "$@" $run
