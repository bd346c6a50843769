#!/bin/sh
# Runs a Qt Test program with every test function except the ones named: the rest of a
# suite whose other cases run as a ctest entry of their own, so that a case added later
# runs in one of the two without anyone listing it.
#   other-cases.sh "caseA caseB ..." program [args...]
set -u
except=$1
shift
cases=$("$1" -functions) || exit 1
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
