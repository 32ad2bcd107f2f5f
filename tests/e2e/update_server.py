"""A download server for the update tests: Python's http.server on 127.0.0.1
with routes that can fail on purpose (status codes, cut-off, stalled and
overlong bodies), optionally behind TLS with a self-signed certificate."""
import collections
import datetime
import http.server
import ipaddress
import os
import socket
import ssl
import tempfile
import threading


class Route:
    def __init__(self, body=b"", status=200, fault=None):
        self.body, self.status, self.fault = body, status, fault


class FaultServer:
    """fault: None, "truncate" (half the body, then the connection closes),
    "stall" (half the body, then silence), "oversize" (far more than the body)."""

    def __init__(self, port=80, tls=False):
        self.routes = {}
        self.hits = collections.Counter()
        self.stop_event = threading.Event()
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                server.hits[self.path] += 1
                route = server.routes.get(self.path)
                if route is None or route.status != 200:
                    self.send_error(route.status if route else 404)
                    return
                body = route.body
                try:
                    self.send_response(200)
                    if route.fault != "oversize":
                        self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    if route.fault == "truncate":
                        self.wfile.write(body[: len(body) // 2])
                    elif route.fault == "stall":
                        self.wfile.write(body[: len(body) // 2])
                        self.wfile.flush()
                        server.stop_event.wait(60)
                    elif route.fault == "oversize":
                        self.wfile.write(body)
                        chunk = b"\0" * 65536
                        for _ in range(1600):  # 100 MB more than announced
                            self.wfile.write(chunk)
                    else:
                        self.wfile.write(body)
                except (BrokenPipeError, ConnectionResetError, ssl.SSLError, OSError):
                    pass
                self.close_connection = True

        class Server(http.server.ThreadingHTTPServer):
            daemon_threads = True
            allow_reuse_address = True

        self.httpd = Server(("127.0.0.1", port), Handler)
        if tls:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            cert, key = _self_signed()
            self.cert_path = cert
            context.load_cert_chain(cert, key)
            self.httpd.socket = context.wrap_socket(self.httpd.socket, server_side=True)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.stop_event.set()
        self.httpd.shutdown()
        self.httpd.server_close()

    def cert_der(self):
        """The server's certificate (its own CA) in DER, for a trusted-root store."""
        from cryptography import x509
        from cryptography.hazmat.primitives import serialization
        with open(self.cert_path, "rb") as f:
            return x509.load_pem_x509_certificate(f.read()).public_bytes(serialization.Encoding.DER)

    def url(self, path):
        scheme = "https" if isinstance(self.httpd.socket, ssl.SSLSocket) else "http"
        port = "" if self.port in (80, 443) else ":%d" % self.port
        return "%s://127.0.0.1%s%s" % (scheme, port, path)


def _self_signed():
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec
    from cryptography.x509.oid import NameOID
    key = ec.generate_private_key(ec.SECP256R1())
    name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, "127.0.0.1")])
    now = datetime.datetime.utcnow()
    cert = (x509.CertificateBuilder().subject_name(name).issuer_name(name).public_key(key.public_key())
            .serial_number(1).not_valid_before(now - datetime.timedelta(days=1))
            .not_valid_after(now + datetime.timedelta(days=2))
            # The address also as a DNS name: Wine matches a host only against those.
            .add_extension(x509.SubjectAlternativeName([x509.IPAddress(ipaddress.ip_address("127.0.0.1")),
                                                        x509.DNSName("127.0.0.1")]), False)
            .sign(key, hashes.SHA256()))
    folder = tempfile.mkdtemp(prefix="update-tls-")
    cert_path, key_path = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    with open(cert_path, "wb") as f:
        f.write(cert.public_bytes(serialization.Encoding.PEM))
    with open(key_path, "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))
    return cert_path, key_path


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
