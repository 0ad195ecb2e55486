#!/usr/bin/python3
"""A small SMTP server on 127.0.0.1 for the mail tests (Debian's python3 with aiosmtpd).

It prints the port it listens on, then writes each message to --dir as one JSON file, in the
order of arrival, with the envelope and the headers and body as Python's own email package
decodes them: an independent check of the client's encoding. It stops at the end of its
standard input, so a crashed test leaves no server behind. For the client's time limits it can
hold back a reply, or say nothing at all; it can refuse with a reply of the test's choosing.
"""

import argparse
import asyncio
import email
import email.policy
import html.parser
import json
import os
import socket
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


async def hold(seconds):
    if seconds == float('inf'):
        await asyncio.Event().wait()  # until the client goes
    elif seconds is not None:
        await asyncio.sleep(seconds)


class HtmlReader(html.parser.HTMLParser):
    """The tags and the text of an HTML part, as a browser's parser sees them."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags = set()
        self.text = []

    def handle_starttag(self, tag, attrs):
        self.tags.add(tag)

    def handle_data(self, data):
        self.text.append(data)


class Handler:
    def __init__(self, args):
        self.args = args
        self.reject = {address.lower() for address in args.reject}
        self.delays = {verb.lower(): float(seconds)
                       for verb, _, seconds in (item.partition(':') for item in args.delay)}
        self.count = 0

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        await hold(self.delays.get('mail'))
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return '250 OK'

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        await hold(self.delays.get('rcpt'))
        if address.lower() in self.reject:
            return self.args.reject_reply
        envelope.rcpt_tos.append(address)
        return '250 OK'

    async def handle_QUIT(self, server, session, envelope):
        await hold(self.delays.get('quit'))
        return '221 Bye'

    async def handle_DATA(self, server, session, envelope):
        await hold(self.delays.get('data'))
        if self.args.data_reply:
            return self.args.data_reply
        raw = envelope.original_content
        record = {
            'mail_from': envelope.mail_from,
            'rcpt_tos': envelope.rcpt_tos,
            'tls': session.ssl is not None,
            'authenticated': bool(session.authenticated),
        }
        try:
            message = email.message_from_bytes(raw, policy=email.policy.default)
            record['headers'] = [[name, str(value)] for name, value in message.items()]
            record['defects'] = [type(d).__name__ for d in message.defects]
            # The plain text is the body; an HTML alternative, when there is one, goes beside it.
            plain = message.get_body(preferencelist=('plain',))
            html = message.get_body(preferencelist=('html',)) if message.is_multipart() else None
            record['body'] = plain.get_content() if plain is not None else ''
            record['html'] = html.get_content() if html is not None else ''
            if html is not None:
                reader = HtmlReader()
                reader.feed(record['html'])
                reader.close()
                record['html_tags'] = sorted(reader.tags)
                record['html_text'] = ''.join(reader.text)
            record['defects'] += [type(d).__name__ for part in message.walk() for d in part.defects
                                  if part is not message]
        except Exception as error:  # the record still carries the envelope
            record['parse_error'] = repr(error)
        self.count += 1
        final = os.path.join(self.args.dir, 'msg-%06d.json' % self.count)
        temporary = final + '.tmp'
        with open(temporary, 'w', encoding='utf-8') as out:
            json.dump(record, out, ensure_ascii=True)
        # The reader lists *.json only, so it never sees a half-written file.
        os.replace(temporary, final)
        return '250 Message accepted for delivery'


def make_authenticator(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == user.encode()
              and auth_data.password == password.encode())
        # handled=False: let the server answer 535 itself instead of leaving the client waiting.
        return AuthResult(success=ok, handled=False)
    return authenticate


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--dir', required=True)
    parser.add_argument('--reject', action='append', default=[])  # recipients to refuse
    parser.add_argument('--reject-reply', default='550 5.1.1 Mailbox unavailable')
    parser.add_argument('--data-reply')  # refuse every message text with this reply
    parser.add_argument('--silent', action='store_true')  # never a word, not even a greeting
    # VERB:SECONDS, hold the reply to mail, rcpt, data (the end of the text) or quit; inf: for ever
    parser.add_argument('--delay', action='append', default=[])
    parser.add_argument('--cert')  # certificate and key (PEM) for STARTTLS or implicit TLS
    parser.add_argument('--key')
    parser.add_argument('--implicit-tls', action='store_true')  # smtps instead of STARTTLS
    parser.add_argument('--auth')  # USER:PASSWORD that clients must log in with
    args = parser.parse_args()

    context = None
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    handler = Handler(args)

    options = {'hostname': 'sink.test', 'loop': loop}
    if context is not None and not args.implicit_tls:
        options['tls_context'] = context
    if args.auth:
        user, _, password = args.auth.partition(':')
        options.update(auth_required=True, auth_require_tls=False,
                       authenticator=make_authenticator(user, password))

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(('127.0.0.1', 0))
    listener.listen(16)
    if args.silent:
        factory = asyncio.Protocol  # keeps the connection open and never writes
    else:
        def factory():
            return SMTP(handler, **options)
    server = loop.run_until_complete(loop.create_server(
        factory, sock=listener, ssl=context if args.implicit_tls else None))

    def on_stdin():
        if not os.read(sys.stdin.fileno(), 4096):
            loop.stop()
    loop.add_reader(sys.stdin.fileno(), on_stdin)

    print(listener.getsockname()[1], flush=True)
    try:
        loop.run_forever()
    finally:
        server.close()


if __name__ == '__main__':
    main()
