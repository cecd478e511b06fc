E%0B
IN;
SP1;
SP2;
PU800,1600;
PD5600,1600,5600,3200,800,3200,800,1600;
PU;
SP1;
PU1200,2480;SI0.260,0.400;LBNo picture for this help topic.
SP4;
PU1200,2080;SI0.195,0.300;LBThe help text explains the input.
PU;SP0;%0AE
