#!/usr/bin/env python3
"""Throw-away certificates for the devserver's TLS mode, made when a test
runs and never kept: a certificate authority of this run only and server
certificates it signs.

    tlscerts.py OUT_DIR [--host NAME]...

writes OUT_DIR/ca.pem (the authority's certificate, to trust only where the
test runs), OUT_DIR/server.pem and OUT_DIR/server-key.pem (a certificate for
the names given, default 127.0.0.1 and localhost, and its key). Needs
Python's cryptography package (Debian's python3-cryptography); the devserver
itself does not.
"""

import argparse
import datetime
import ipaddress
import os
import sys

DEFAULT_HOSTS = ("127.0.0.1", "localhost")


def _modules():
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import rsa
    from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID
    return x509, hashes, serialization, rsa, ExtendedKeyUsageOID, NameOID


def _certificate(subject, issuer_name, public_key, signing_key, extensions):
    x509, hashes, _, _, _, _ = _modules()
    now = datetime.datetime.now(datetime.timezone.utc)
    builder = (x509.CertificateBuilder().subject_name(subject).issuer_name(issuer_name).public_key(public_key)
               .serial_number(x509.random_serial_number())
               .not_valid_before(now - datetime.timedelta(hours=1)).not_valid_after(now + datetime.timedelta(days=2)))
    for extension, critical in extensions:
        builder = builder.add_extension(extension, critical=critical)
    return builder.sign(signing_key, hashes.SHA256())


def make_ca(name="vorn2 devserver test CA"):
    """(certificate, key) of a new authority."""
    x509, _, _, rsa, _, NameOID = _modules()
    key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    subject = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, name)])
    cert = _certificate(subject, subject, key.public_key(), key, [
        (x509.BasicConstraints(ca=True, path_length=0), True),
        (x509.KeyUsage(digital_signature=False, content_commitment=False, key_encipherment=False,
                       data_encipherment=False, key_agreement=False, key_cert_sign=True, crl_sign=True,
                       encipher_only=False, decipher_only=False), True),
        (x509.SubjectKeyIdentifier.from_public_key(key.public_key()), False)])
    return cert, key


def make_server(ca, hosts=DEFAULT_HOSTS):
    """(certificate, key) for the given host names and addresses, signed by
    ca. Each name also goes in as a DNS name, since some verifiers (Wine's)
    match only those."""
    x509, _, _, rsa, ExtendedKeyUsageOID, NameOID = _modules()
    ca_cert, ca_key = ca
    key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    names = []
    for host in hosts:
        names.append(x509.DNSName(host))
        try:
            names.append(x509.IPAddress(ipaddress.ip_address(host)))
        except ValueError:
            pass
    subject = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, hosts[0])])
    cert = _certificate(subject, ca_cert.subject, key.public_key(), ca_key, [
        (x509.BasicConstraints(ca=False, path_length=None), True),
        (x509.SubjectAlternativeName(names), False),
        (x509.ExtendedKeyUsage([ExtendedKeyUsageOID.SERVER_AUTH]), False),
        (x509.AuthorityKeyIdentifier.from_issuer_public_key(ca_key.public_key()), False)])
    return cert, key


def write(out_dir, hosts=DEFAULT_HOSTS, ca=None):
    """Writes ca.pem, server.pem and server-key.pem into out_dir (a new
    authority unless ca is given); returns the authority."""
    _, _, serialization, _, _, _ = _modules()
    ca = ca or make_ca()
    cert, key = make_server(ca, hosts)
    os.makedirs(out_dir, exist_ok=True)
    pem = serialization.Encoding.PEM
    files = {"ca.pem": ca[0].public_bytes(pem), "server.pem": cert.public_bytes(pem),
             "server-key.pem": key.private_bytes(pem, serialization.PrivateFormat.PKCS8,
                                                 serialization.NoEncryption())}
    for name, data in files.items():
        fd = os.open(os.path.join(out_dir, name), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
        with os.fdopen(fd, "wb") as f:
            f.write(data)
    return ca


def main(argv=None):
    ap = argparse.ArgumentParser(description="Makes a throw-away CA and a server certificate for the devserver.")
    ap.add_argument("out_dir")
    ap.add_argument("--host", action="append", help="a name or address the certificate is for (repeatable)")
    args = ap.parse_args(argv)
    write(args.out_dir, tuple(args.host or DEFAULT_HOSTS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
