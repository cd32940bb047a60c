# Sourced by the Wine tests. make_test_ca HOST: in the current folder, a test CA (ca.pem), a server
# certificate for HOST signed by it (server.pem, server.key), and bundle.crt: the system's CA bundle
# with the test CA added, to be bind-mounted over it. Wine ignores IP-address SANs: certificates
# name hosts, which the tests map to loopback.
key="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
make_test_ca() {
  {
    openssl req -x509 $key -subj /CN=QuorvaneWineTestCA -addext basicConstraints=critical,CA:TRUE \
      -addext keyUsage=critical,keyCertSign -keyout ca.key -out ca.pem
    openssl req -new $key -subj "/CN=$1" -keyout server.key -out server.csr
    printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\n' "$1" >server.ext
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -set_serial 7 -days 2 -extfile server.ext \
      -out server.pem
  } >>openssl.log 2>&1
  cat /etc/ssl/certs/ca-certificates.crt ca.pem >bundle.crt
}
