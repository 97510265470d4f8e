#!/usr/bin/env python3
"""Runs one group of Velmora's end-to-end scenarios (or all of them, one group
after the other): the real Velmora.exe under Wine, the demo data site on port
18460, input with xdotool, looked at with the probe and screenshots.

    run_e2e.py --group lists|commands|winning|version|close|all \\
        --velmora build/X/Velmora.exe --probe build/X/e2e_probe.exe \\
        --prefix build/X/wineprefix --source . --work build/X/e2e [-k PATTERN]

Uses DISPLAY when it is set, otherwise a private Xvfb with fvwm. Exits 0 when
every scenario of the group passed."""

import argparse
import os
import sys
import time
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import driver  # noqa: E402
import scenarios  # noqa: E402


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--group", required=True, choices=sorted(scenarios.GROUPS) + ["all"])
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("-k", dest="pattern", action="append",
                        help="run only the scenarios whose name holds this text")
    return parser.parse_args(argv)


def run_group(args, group):
    args.group = group
    session = driver.Session(args)
    started = time.monotonic()
    try:
        session.start()
    except driver.Failure as failure:
        print("e2e %s: cannot run: %s" % (group, failure), flush=True)
        session.stop()
        return False
    try:
        cls = scenarios.GROUPS[group]
        cls.session = session
        loader = unittest.TestLoader()
        if args.pattern:
            loader.testNamePatterns = ["*%s*" % p for p in args.pattern]
        suite = loader.loadTestsFromTestCase(cls)
        result = unittest.TextTestRunner(stream=sys.stdout, verbosity=2).run(suite)
        return result.wasSuccessful()
    finally:
        session.stop()
        print("e2e %s: %.1f s" % (group, time.monotonic() - started), flush=True)


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    for path in (args.velmora, args.probe):
        if not os.path.isfile(path):
            print("e2e: %s is missing; build the targets Velmora and e2e_probe first" % path)
            return 1
    groups = sorted(scenarios.GROUPS) if args.group == "all" else [args.group]
    ok = True
    for group in groups:
        ok = run_group(args, group) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
