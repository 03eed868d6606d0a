#!/usr/bin/env python3
"""The peer of a whole vellaro run, written with Python's email package.

Builds the message that vellaro writes for content mode 0 from the same
page files: an RTF document holding every page as hexadecimal picture data
(written to the work folder and copied under its RTF name, as vellaro
does), then a multipart/related message with a multipart/alternative
section (plain text and a quoted-printable HTML body that shows every page
with up and down arrows), the RTF document as a base64 attachment, the
page metafiles and the two arrow pictures as inline base64 parts. The
message is written with CR LF line ends.

bench/compare.sh times this against the real program.

Usage:
  eml_peer.py <work folder> <instance> <pages> <up.gif> <down.gif>
              <message path> <RTF name>
"""

import email.charset
import email.policy
import os
import shutil
import sys
from email.generator import BytesGenerator
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText

PLACEABLE_HEADER = 22
HEX_LINE = 128

RTF_HEADER = (
    r"{\rtf1\ansi\ansicpg1252\uc1\deff0{\fonttbl{\f0\froman Times New Roman;}}"
    "\r\n"
    r"\psz9\paperw11909\paperh16834\margl500\margt500\sectd"
    "\r\n"
    r"\pard\plain {\insrsid13835495"
)
RTF_PICTURE = (
    r" {\pict\picscalex100\picscaley100\piccropl0\piccropr0\piccropt0"
    r"\piccropb0"
    "\r\n"
    r"\picw21005\pich29286\picwgoal11907\pichgoal16602\wmetafile8"
    "\r\n"
)
RTF_SEPARATOR = r"}}{\insrsid13835495"
RTF_END = " \r\n\\par }}"


def page_path(folder, instance, page):
    return os.path.join(folder, f"{instance}{page}.WMF")


def write_rtf(folder, instance, pages, path):
    """Writes every page as hexadecimal picture data, 128 digits a line."""
    with open(path, "wb") as out:
        out.write(RTF_HEADER.encode("ascii"))
        for page in range(1, pages + 1):
            with open(page_path(folder, instance, page), "rb") as f:
                digits = f.read()[PLACEABLE_HEADER:].hex().upper()
            lines = [digits[i:i + HEX_LINE]
                     for i in range(0, len(digits), HEX_LINE)]
            out.write(RTF_PICTURE.encode("ascii"))
            out.write("\r\n".join(lines).encode("ascii"))
            if len(digits) % HEX_LINE == 0 and digits:
                out.write(b"\r\n")
            out.write(RTF_SEPARATOR.encode("ascii"))
        out.write(RTF_END.encode("ascii"))


def html_body(pages):
    rows = ['<HTML><BODY bgColor=#FFFFFF>',
            '<DIV><FONT face=Arial size=1>']
    for page in range(1, pages + 1):
        rows.append(f'<A name="{page}"></A>')
        if page > 1:
            rows.append(f'<A href="#{page - 1}"><IMG src="cid:u" border=0>'
                        '</A>')
        if page < pages:
            rows.append(f'<A href="#{page + 1}"><IMG src="cid:d" border=0>'
                        '</A><BR>')
        rows.append(f'<IMG height=1123 src="cid:{page}" width=794 '
                    'border=0><BR>')
    rows.append('</FONT></DIV></BODY></HTML>')
    return "\r\n".join(rows)


def inline_part(path, content_id, name):
    with open(path, "rb") as f:
        part = MIMEApplication(f.read(), "octet-stream", name=name)
    part.add_header("Content-ID", f"<{content_id}>")
    return part


def main(argv):
    if len(argv) != 8:
        sys.exit(__doc__)
    folder, instance, pages, up, down, message, rtf_name = argv[1:]
    pages = int(pages)

    rtf_path = os.path.join(folder, f"{instance}.RTF")
    write_rtf(folder, instance, pages, rtf_path)
    shutil.copyfile(rtf_path, os.path.join(folder, rtf_name + ".RTF"))

    msg = MIMEMultipart("related", boundary="----=_1_",
                        type="multipart/alternative")
    msg["To"] = "a@example.com"
    msg["Subject"] = "Report"
    msg["X-Priority"] = "3"
    msg["X-Unsent"] = "1"
    alternative = MIMEMultipart("alternative", boundary="----=_2_")
    alternative.attach(MIMEText("", "plain", "us-ascii"))
    quoted_printable = email.charset.Charset("us-ascii")
    quoted_printable.body_encoding = email.charset.QP
    alternative.attach(MIMEText(html_body(pages), "html", quoted_printable))
    msg.attach(alternative)

    with open(rtf_path, "rb") as f:
        rtf = MIMEApplication(f.read(), "octet-stream",
                              name=rtf_name + ".RTF")
    rtf.add_header("Content-Disposition", "attachment",
                   filename=rtf_name + ".RTF")
    msg.attach(rtf)
    for page in range(1, pages + 1):
        msg.attach(inline_part(page_path(folder, instance, page), str(page),
                               f"{page}.WMF"))
    msg.attach(inline_part(up, "u", "u.gif"))
    msg.attach(inline_part(down, "d", "d.gif"))

    with open(message, "wb") as out:
        BytesGenerator(out, policy=email.policy.SMTP).flatten(msg)


if __name__ == "__main__":
    main(sys.argv)
