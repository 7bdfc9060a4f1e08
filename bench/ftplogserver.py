#!/usr/bin/python3
"""The FTP server of the tests (tests/fixtures/ftpserver.py) with every command it receives and
every file transfer written to a log file, so that the benchmarks can count transfers, data
connections and the bytes sent.

Usage: ftplogserver.py --log-file PATH <arguments of ftpserver.py>
Each received command is one line "<time> <client ip:port>-[<user>] <- <COMMAND> <argument>",
each transfer one line "<time> <client>-[<user>] RETR <path> completed=<0|1> bytes=<n> ...".
"""
import logging
import os
import sys

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "fixtures")


def main():
    argv = sys.argv[1:]
    if "--log-file" not in argv or argv.index("--log-file") + 1 >= len(argv):
        sys.exit("usage: ftplogserver.py --log-file PATH <ftpserver.py arguments>")
    at = argv.index("--log-file")
    log_file = argv[at + 1]
    del argv[at:at + 2]

    class CommandsAndTransfers(logging.Filter):
        def filter(self, record):
            message = record.getMessage()
            return " <- " in message or " completed=" in message

    handler = logging.FileHandler(log_file)
    handler.addFilter(CommandsAndTransfers())
    handler.setFormatter(logging.Formatter("%(asctime)s %(message)s"))
    # Configured before the fixture's own logging set-up, which then leaves it as it is.
    logging.basicConfig(level=logging.DEBUG, handlers=[handler])

    sys.path.insert(0, FIXTURES)
    import ftpserver
    sys.argv = [sys.argv[0]] + argv
    ftpserver.main()


if __name__ == "__main__":
    main()
