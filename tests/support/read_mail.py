"""Parses a received message as a mail program would and prints what the tests compare.

One "key: value" line each: the decoded Subject, From and To, the MIME-Version, the content type
of every part, the text part's body (repr), each attachment's file name and, for a calendar,
the SUMMARY and DESCRIPTION that python3-icalendar reads from it.
"""
import email
import email.policy
import sys

import icalendar


def main(path):
    with open(path, "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    print("subject: %s" % message["Subject"])
    print("from: %s" % message["From"])
    print("to: %s" % message["To"])
    print("mime-version: %s" % message["MIME-Version"])
    print("defects: %d" % len(message.defects))
    for part in message.walk():
        print("part: %s" % part.get_content_type())
        if part.get_content_maintype() == "multipart":
            continue
        name = part.get_filename()
        if name:
            print("attachment: %s" % name)
            if part.get_content_type() == "text/calendar":
                calendar = icalendar.Calendar.from_ical(part.get_payload(decode=True))
                for event in calendar.walk("VEVENT"):
                    print("summary: %s" % event.get("SUMMARY"))
                    print("description: %r" % str(event.get("DESCRIPTION", "")))
        else:
            print("body: %r" % part.get_content())


if __name__ == "__main__":
    main(sys.argv[1])
